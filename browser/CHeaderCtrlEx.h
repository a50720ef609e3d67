#pragma once
// The details list's column header: clickable sections that resize while they are dragged, painted by
// the program in its own font ("ＭＳ Ｐゴシック", mapped to a Japanese desktop font by the platform's
// substitutions) in the dark colours of the list beneath it.

#include <QHeaderView>

class QStandardItemModel;

class CHeaderCtrlEx : public QHeaderView {
public:
    static constexpr int kFontPixels = 12;

    explicit CHeaderCtrlEx(QWidget* parent = nullptr);

    // Appends a section with its text and width.
    void addColumn(const QString& text, int width);

    static QFont headerFont();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QStandardItemModel* columns_;
};
