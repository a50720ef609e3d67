#pragma once
// A folder world for tests: a temporary folder with helpers that create files with given contents and
// modification times.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(dir_.isValid()); }

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    // Creates (or rewrites) `name` with `contents`; with a valid `modified` the file gets that time.
    QString write(const QString& name, const QByteArray& contents, const QDateTime& modified = {}) const
    {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        out.write(contents);
        out.flush();
        if (modified.isValid())
            out.setFileTime(modified, QFileDevice::FileModificationTime);
        out.close();
        return path;
    }

    QString mkdir(const QString& name) const
    {
        QDir().mkpath(dir_.filePath(name));
        return dir_.filePath(name);
    }

    bool remove(const QString& name) const { return QFile::remove(dir_.filePath(name)); }

private:
    QTemporaryDir dir_;
};
