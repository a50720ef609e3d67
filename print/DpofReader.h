#pragma once
// Reading a card's print-order file (DPOF, "MISC/AUTPRINT.MRK").
//
// The file is read line by line: lines end with CR LF (a lone LF is taken as a line end too, a CR on its
// own stays in the line) and hold at most 255 characters; a longer line goes on as the next one. After
// the three header lines each line counts by the first keyword it contains. Pictures are named by paths
// relative to the MISC folder ("../DCIM/100ABCDE/IMGA0001.JPG"); they are mapped onto the card's root,
// and a path that climbs out of the card names no picture at all.

#include "print/PrintJob.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace print::dpof {

constexpr qsizetype MaxLineLength = 255;
constexpr int HeaderLines = 3;

std::vector<QByteArray> splitLines(const QByteArray& content);

struct Content {
    std::vector<QByteArray> lines;
    std::vector<PrintJob> jobs;
    std::vector<int> typeLines; // per job: index in `lines` of its "PRT TYP" line, -1 when it has none
    bool afterImage = false;    // the last quantity line came after the last image format line
    qint64 totalCopies = 0;
    int headerLineCount = 0; // lines before the first "[JOB]" line
};

// Reads `content` as a print-order file of the card whose root is `driveRoot` ('/'-ended).
Content parse(const QByteArray& content, const QString& driveRoot);

// The picture an "IMG SRC" line (either form) names: the text between its first two double quotes, from
// its first slash on, below `driveRoot`. Nothing when the line names no picture on the card.
std::optional<QString> imageSource(const QByteArray& line, const QString& driveRoot);

bool isImageSourceLine(const QByteArray& line);

// The value of a "PRT TYP" line as the carry-over writes it: after the last '=', one leading blank off.
QByteArray typeValueAfterLastEquals(const QByteArray& line);

// A non-standard job of an old file as the save carries it over: its type value and the lines that
// follow its "PRT TYP" line up to the next job.
struct CarriedJob {
    QByteArray printType;
    std::vector<QByteArray> lines;
};
std::vector<CarriedJob> carriedJobs(const Content& content);

} // namespace print::dpof
