#include "fileops/DcfNumbering.h"

#include "platform/FileSearch.h"

#include <utility>

namespace fileops {
namespace {

constexpr int DigitCount = 4;
const QString NamePrefix = QStringLiteral("IMGA");
const QString NameSuffix = QStringLiteral(".JPG");

} // namespace

DcfNumberChooser::DcfNumberChooser(QString folder) : folder_(std::move(folder)) {}

QString DcfNumberChooser::fileName(int number)
{
    return NamePrefix + QStringLiteral("%1").arg(number, DigitCount, 10, QLatin1Char('0')) + NameSuffix;
}

std::set<int> DcfNumberChooser::usedNumbers(const QString& folder)
{
    // One listing answers the pattern "*%04d.JPG" for every n at once.
    std::set<int> used;
    for (const platform::DirEntry& entry : platform::FileSearch::list(folder, u"*????.JPG")) {
        const QStringView digits = QStringView(entry.name).chopped(NameSuffix.size()).right(DigitCount);
        int number = 0;
        bool allDigits = true;
        for (QChar c : digits) {
            allDigits = allDigits && c >= u'0' && c <= u'9';
            number = number * 10 + (c.unicode() - u'0');
        }
        if (allDigits && number >= 1)
            used.insert(number);
    }
    return used;
}

std::optional<int> DcfNumberChooser::next()
{
    if (exhausted_)
        return std::nullopt;
    const std::set<int> used = usedNumbers(folder_);
    int number = previous_;
    if (previous_ == 0) {
        const auto highest = used.empty() ? 0 : *used.rbegin();
        number = highest == 0 || highest == HighestNumber ? 1 : highest + 1;
    }
    while (number <= HighestNumber && used.count(number))
        ++number;
    if (number > HighestNumber) {
        exhausted_ = true;
        return std::nullopt;
    }
    previous_ = number;
    return number;
}

} // namespace fileops
