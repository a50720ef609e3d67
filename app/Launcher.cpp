#include "app/Launcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace launcher {
namespace {

const QString kWindowsProgramEnding = QStringLiteral(".exe");

bool isProgram(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// The program a word names: a path as it stands, else the program's folder, else the search path.
QString resolveProgram(const QString& word, const QString& programFolder)
{
    if (word.isEmpty())
        return {};
    QStringList candidates{word};
    if (word.endsWith(kWindowsProgramEnding, Qt::CaseInsensitive))
        candidates << word.left(word.size() - kWindowsProgramEnding.size());
    for (const QString& candidate : candidates) {
        if (candidate.contains(QLatin1Char('/'))) {
            if (isProgram(candidate))
                return candidate;
            continue;
        }
        const QString beside = QDir(programFolder).filePath(candidate);
        if (!programFolder.isEmpty() && isProgram(beside))
            return beside;
        const QString onPath = QStandardPaths::findExecutable(candidate);
        if (!onPath.isEmpty())
            return onPath;
    }
    return {};
}

}  // namespace

QStringList splitArguments(const QString& text)
{
    QStringList arguments;
    QString current;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\')) {
            int slashes = 0;
            while (i < text.size() && text[i] == QLatin1Char('\\')) {
                ++slashes;
                ++i;
            }
            if (i < text.size() && text[i] == QLatin1Char('"')) {
                current += QString(slashes / 2, QLatin1Char('\\'));
                if (slashes % 2 == 1)
                    current += QLatin1Char('"');
                else
                    quoted = !quoted;
            } else {
                current += QString(slashes, QLatin1Char('\\'));
                --i;
            }
            inWord = true;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
            continue;
        }
        if ((c == QLatin1Char(' ') || c == QLatin1Char('\t')) && !quoted) {
            if (inWord)
                arguments << current;
            current.clear();
            inWord = false;
            continue;
        }
        current += c;
        inWord = true;
    }
    if (inWord)
        arguments << current;
    return arguments;
}

CommandLine parseProgramText(const QString& text, const QString& programFolder)
{
    const QString trimmed = text.trimmed();
    CommandLine line;
    if (trimmed.startsWith(QLatin1Char('"'))) {
        const int close = trimmed.indexOf(QLatin1Char('"'), 1);
        const QString word = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
        const QString resolved = resolveProgram(word, programFolder);
        line.program = resolved.isEmpty() ? word : resolved;
        line.arguments = close < 0 ? QStringList() : splitArguments(trimmed.mid(close + 1));
        return line;
    }
    // An unquoted program may hold spaces: try ever longer runs of words until one names a program.
    const QStringList words = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int count = 1; count <= words.size(); ++count) {
        const QString resolved = resolveProgram(words.mid(0, count).join(QLatin1Char(' ')), programFolder);
        if (!resolved.isEmpty()) {
            line.program = resolved;
            int consumed = 0;
            for (int i = 0; i < count; ++i)
                consumed = int(trimmed.indexOf(words[i], consumed)) + int(words[i].size());
            line.arguments = splitArguments(trimmed.mid(consumed));
            return line;
        }
    }
    const QStringList parts = splitArguments(trimmed);
    if (!parts.isEmpty()) {
        line.program = parts.first();
        line.arguments = parts.mid(1);
    }
    return line;
}

Starter detachedStarter()
{
    return [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
}

int run(const QString& programText, const QStringList& files, const QString& programFolder, const Starter& starter)
{
    if (programText.trimmed().isEmpty())
        return 0;
    const CommandLine line = parseProgramText(programText, programFolder);
    if (line.program.isEmpty())
        return 0;
    if (files.isEmpty())
        return starter(line.program, line.arguments) ? 1 : 0;
    int started = 0;
    for (const QString& file : files) {
        if (starter(line.program, QStringList(line.arguments) << file))
            ++started;
    }
    return started;
}

}  // namespace launcher
