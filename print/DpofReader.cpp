#include "print/DpofReader.h"

#include <QStringList>

#include <limits>

namespace print {

bool isStandardType(const QString& printType)
{
    const QString type = printType.trimmed();
    return type.isEmpty() || type.compare(QLatin1String("STD"), Qt::CaseInsensitive) == 0;
}

bool PrintJob::isStandard() const
{
    return plainSourceCount <= 0 && isStandardType(printType);
}

namespace dpof {
namespace {

const QByteArray JobKeyword = "[JOB]";
const QByteArray PidKeyword = "PRT PID";
const QByteArray TypeKeyword = "PRT TYP";
const QByteArray QuantityKeyword = "PRT QTY";
const QByteArray FormatKeyword = "IMG FMT";
const QByteArray SourceKeyword = "<IMG SRC";
const QByteArray PlainSourceKeyword = "IMG SRC";

bool startsJob(const QByteArray& line)
{
    return line.contains(JobKeyword) || line.contains(PidKeyword);
}

// The text after the first '=' with one leading blank removed.
QByteArray typeValueAfterFirstEquals(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return {};
    QByteArray value = line.mid(equals + 1);
    if (value.startsWith(' '))
        value.remove(0, 1);
    return value;
}

// The number after the first '=' and the first blank after it, read the way C reads a decimal number
// (leading blanks, a sign, digits; anything else ends it), held within 32 bits.
std::int32_t quantityValue(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return 0;
    qsizetype at = equals + 1;
    const qsizetype blank = line.indexOf(' ', at);
    if (blank >= 0)
        at = blank + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < line.size() && (line[at] == '+' || line[at] == '-'))
        negative = line[at++] == '-';
    qint64 value = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        value = value * 10 + (line[at++] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace

std::vector<QByteArray> splitLines(const QByteArray& content)
{
    std::vector<QByteArray> lines;
    QByteArray line;
    const qsizetype size = content.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = content[i];
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
            continue;
        }
        if (c == '\r' && i + 1 < size && content[i + 1] == '\n') {
            lines.push_back(line);
            line.clear();
            ++i;
            continue;
        }
        line.append(c);
        if (line.size() == MaxLineLength) {
            // A full line that is followed by its own line end ends there; otherwise the rest of it
            // is read as the next line.
            if (i + 1 < size && content[i + 1] == '\n')
                ++i;
            else if (i + 2 < size && content[i + 1] == '\r' && content[i + 2] == '\n')
                i += 2;
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}

bool isImageSourceLine(const QByteArray& line)
{
    return line.contains(PlainSourceKeyword);
}

std::optional<QString> imageSource(const QByteArray& line, const QString& driveRoot)
{
    const qsizetype open = line.indexOf('"');
    const qsizetype close = open < 0 ? -1 : line.indexOf('"', open + 1);
    if (close < 0)
        return std::nullopt;
    QString text = QString::fromUtf8(line.mid(open + 1, close - open - 1));
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;

    // Settle "." and ".." as text; a path that climbs above the card's root names nothing on the card.
    QStringList parts;
    for (const QString& part : text.mid(slash).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return std::nullopt;
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    const QString root = driveRoot.endsWith(QLatin1Char('/')) ? driveRoot : driveRoot + QLatin1Char('/');
    return root + parts.join(QLatin1Char('/'));
}

QByteArray typeValueAfterLastEquals(const QByteArray& line)
{
    QByteArray value = line.mid(line.lastIndexOf('=') + 1);
    if (value.startsWith(' '))
        value.remove(0, 1);
    return value;
}

Content parse(const QByteArray& bytes, const QString& driveRoot)
{
    Content content;
    content.lines = splitLines(bytes);
    const auto& lines = content.lines;

    content.headerLineCount = static_cast<int>(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(JobKeyword)) {
            content.headerLineCount = static_cast<int>(i);
            break;
        }
    }

    std::optional<PrintJob> pending;
    int pendingTypeLine = -1;
    auto appendPending = [&] {
        if (pending) {
            content.jobs.push_back(*pending);
            content.typeLines.push_back(pendingTypeLine);
        }
        pending.reset();
        pendingTypeLine = -1;
    };

    // The header is three lines; a file whose first job starts earlier keeps that job.
    size_t first = 0;
    while (first < lines.size() && first < HeaderLines && !startsJob(lines[first]))
        ++first;

    for (size_t i = first; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.contains(JobKeyword)) {
            appendPending();
        } else if (line.contains(PidKeyword)) {
            // A job whose "[JOB]" line is missing still counts.
            appendPending();
            pending = PrintJob{};
        } else if (line.contains(TypeKeyword)) {
            if (pending) {
                pending->printType = QString::fromUtf8(typeValueAfterFirstEquals(line));
                pendingTypeLine = static_cast<int>(i);
                if (!isStandardType(pending->printType))
                    pending->plainSourceCount = 0;
            }
        } else if (line.contains(QuantityKeyword)) {
            const std::int32_t quantity = quantityValue(line);
            if (pending)
                pending->quantity = quantity;
            content.totalCopies += quantity;
            content.afterImage = true;
        } else if (line.contains(FormatKeyword)) {
            content.afterImage = false;
        } else if (line.contains(SourceKeyword)) {
            if (pending)
                pending->imagePath = imageSource(line, driveRoot).value_or(QString());
        } else if (line.contains(PlainSourceKeyword)) {
            if (pending)
                ++pending->plainSourceCount;
        } else if (pending && !line.trimmed().isEmpty()) {
            pending->keptLines.push_back(line);
        }
    }
    appendPending();
    return content;
}

std::vector<CarriedJob> carriedJobs(const Content& content)
{
    std::vector<CarriedJob> carried;
    for (size_t j = 0; j < content.jobs.size(); ++j) {
        const int typeLine = content.typeLines[j];
        if (content.jobs[j].isStandard() || typeLine < 0)
            continue;
        CarriedJob job;
        job.printType = typeValueAfterLastEquals(content.lines[static_cast<size_t>(typeLine)]);
        for (size_t i = static_cast<size_t>(typeLine) + 1; i < content.lines.size() && !startsJob(content.lines[i]);
             ++i)
            job.lines.push_back(content.lines[i]);
        carried.push_back(std::move(job));
    }
    return carried;
}

} // namespace dpof
} // namespace print
