#pragma once
// One job of a card's print order: a "[JOB]" section of its DPOF file.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace print {

struct PrintJob {
    std::int32_t quantity = 0;         // copies; 0 means not printed, and the job is not written
    QString printType;                 // "STD" for the program's own jobs
    QString imagePath;                 // the picture on the card; empty when the job names none there
    std::int32_t plainSourceCount = 0; // "IMG SRC" lines without '<'; kept for type STD only
    // Lines of the job this program does not write itself (a camera's "CFG DSC" date or file-number
    // imprint, say), in file order: written back after the picture so the camera's settings survive.
    std::vector<QByteArray> keptLines;

    // The program's own business: a standard print of one picture. Jobs of any other type, and STD
    // jobs carrying source lines of the index form, are carried over as the file has them.
    bool isStandard() const;
};

// The standard type test on a "PRT TYP" value: "STD" without regard to case or surrounding blanks.
bool isStandardType(const QString& printType);

} // namespace print
