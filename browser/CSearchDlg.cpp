#include "browser/CSearchDlg.h"

#include "browser/ItemSearch.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString kBadDate = QStringLiteral("不正な日付が設定されています。");
const QString kBadDateCaption = QStringLiteral("入力エラー");
// The fields take any number so that the check, not the field, refuses an impossible date.
constexpr int kFieldMin = -9999;
constexpr int kFieldMax = 9999;
}  // namespace

CSearchDlg::CSearchDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("検索"));
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));

    auto* namePage = new QWidget(pages_);
    auto* nameForm = new QFormLayout(namePage);
    text_ = new QLineEdit(namePage);
    text_->setObjectName(QStringLiteral("text"));
    nameMatch_ = new QComboBox(namePage);
    nameMatch_->setObjectName(QStringLiteral("nameMatch"));
    nameMatch_->addItems({QStringLiteral("を含む"), QStringLiteral("を含まない"), QStringLiteral("と一致する")});
    nameForm->addRow(QStringLiteral("ファイル名:"), text_);
    nameForm->addRow(QString(), nameMatch_);
    pages_->addTab(namePage, QStringLiteral("名前"));

    auto* datePage = new QWidget(pages_);
    auto* dateForm = new QFormLayout(datePage);
    from_ = makeDate(datePage, QStringLiteral("from"));
    to_ = makeDate(datePage, QStringLiteral("to"));
    dateMatch_ = new QComboBox(datePage);
    dateMatch_->setObjectName(QStringLiteral("dateMatch"));
    dateMatch_->addItems({QStringLiteral("の範囲内"), QStringLiteral("の範囲外")});
    auto row = [datePage](const DateFields& fields) {
        auto* box = new QWidget(datePage);
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(fields.year);
        line->addWidget(fields.month);
        line->addWidget(fields.day);
        return box;
    };
    dateForm->addRow(QStringLiteral("開始日:"), row(from_));
    dateForm->addRow(QStringLiteral("終了日:"), row(to_));
    dateForm->addRow(QString(), dateMatch_);
    pages_->addTab(datePage, QStringLiteral("日付"));
    layout->addWidget(pages_);

    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("scope"));
    scope_->addItems({QStringLiteral("表示中のファイルから検索"), QStringLiteral("検索結果から絞り込む"),
                      QStringLiteral("検索結果に追加する")});
    layout->addWidget(scope_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSearchDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CSearchDlg::DateFields CSearchDlg::makeDate(QWidget* page, const QString& name)
{
    const QDate today = QDate::currentDate();
    auto field = [page, &name](const char* part, int value) {
        auto* box = new QSpinBox(page);
        box->setObjectName(name + QLatin1String(part));
        box->setRange(kFieldMin, kFieldMax);
        box->setValue(value);
        return box;
    };
    return {field("Year", today.year()), field("Month", today.month()), field("Day", today.day())};
}

bool CSearchDlg::valid(const DateFields& fields)
{
    return isValidSearchDate(fields.year->value(), fields.month->value(), fields.day->value());
}

void CSearchDlg::accept()
{
    if (pages_->currentIndex() == DatePage && (!valid(from_) || !valid(to_))) {
        platform::messageBox(this, kBadDate, kBadDateCaption, platform::MbOk | platform::MbIconExclamation);
        return;
    }
    QDialog::accept();
}

int CSearchDlg::run(ItemStore& store, const QString& folder) const
{
    if (pages_->currentIndex() == NamePage)
        return searchByName(store, text_->text(), nameMatch_->currentIndex(), scope_->currentIndex());
    const QDate from(from_.year->value(), from_.month->value(), from_.day->value());
    const QDate to(to_.year->value(), to_.month->value(), to_.day->value());
    return searchByDate(store, folder, from, to, dateMatch_->currentIndex(), scope_->currentIndex());
}
