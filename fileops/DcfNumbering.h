#pragma once
// Picks the camera-style names "IMGA" + four digits + ".JPG" for pictures pasted into a card folder.
//
// A number n is taken when any name in the folder ends in n as four digits and ".JPG" (any case), so the
// card's own DSC_0010.JPG blocks 0010 just as IMGA0010.JPG does. The first picture of a paste goes one
// above the highest number in use (gaps below it are left alone, as a camera does); after 9999 the
// numbering starts over at 1 and fills upwards. Later pictures continue from the previous one. Passing
// 9999 ends the paste.

#include <QString>

#include <optional>
#include <set>

namespace fileops {

class DcfNumberChooser {
public:
    static constexpr int HighestNumber = 9999; // four digits

    explicit DcfNumberChooser(QString folder);

    // The number for the next picture, or nothing when the numbers above the start are all taken.
    // The folder is looked at anew on every call, so pictures moved in meanwhile count as taken. A
    // number handed out whose picture never arrived (it failed to convert) is handed out again.
    std::optional<int> next();

    // "IMGA0012.JPG"
    static QString fileName(int number);

    // The numbers in use in `folder`: every n with a name ending in "%04d.JPG", compared without case.
    static std::set<int> usedNumbers(const QString& folder);

private:
    QString folder_;
    int previous_ = 0; // 0 until the first picture got its number
    bool exhausted_ = false;
};

} // namespace fileops
