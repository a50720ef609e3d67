#pragma once
// Starts the launcher bar's programs on the view's selected files: one process per selected file, or
// the program alone when nothing is selected.
//
// The program text is what the user stored: a program, perhaps with arguments of its own, read by the
// rules of a command line (a quoted program, or an unquoted one that may itself hold spaces: the
// shortest run of words naming an existing program wins). Each file is appended as one argument, its
// path untouched, so quotes and spaces in folder or file names never split it. Nothing goes through a
// shell.

#include <QString>
#include <QStringList>

#include <functional>

namespace launcher {

struct CommandLine {
    QString program;
    QStringList arguments;
};

// Splits `text` into arguments by the command-line rules: blanks separate, double quotes group,
// backslashes before a quote escape it.
QStringList splitArguments(const QString& text);
// The program and arguments of a program text; `programFolder` is looked in first for a bare program
// name (a name ending in ".exe" also finds the program without that ending there).
CommandLine parseProgramText(const QString& text, const QString& programFolder);

// Starts one process; true when it started.
using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;
Starter detachedStarter();

// Runs the program text on each of `files` (full paths), or once alone when `files` is empty. An empty
// program text starts nothing. Returns the number of processes started; failures are not reported.
int run(const QString& programText, const QStringList& files, const QString& programFolder,
        const Starter& starter = detachedStarter());

}  // namespace launcher
