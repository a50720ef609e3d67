#pragma once
// Fake drives for tests: temporary folders with given files, presented to the program as volumes
// through a KESTREL_VOLUMES table.

#include "platform/Volumes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <initializer_list>
#include <memory>
#include <ostream>
#include <vector>

#ifndef KESTREL_TEST_QSTRING_PRINTER
#define KESTREL_TEST_QSTRING_PRINTER
// Failure messages show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
#endif

namespace testing_support {

// A folder tree in a temporary folder: files and folders are made by relative path.
class FakeTree {
public:
    FakeTree() { EXPECT_TRUE(dir_.isValid()); }

    // The root, ending in '/'.
    QString root() const { return dir_.path() + QLatin1Char('/'); }
    QString path(const QString& relative) const { return root() + relative; }

    QString makeDir(const QString& relative) const
    {
        EXPECT_TRUE(QDir().mkpath(path(relative))) << relative.toStdString();
        return path(relative);
    }

    QString makeFile(const QString& relative, const QByteArray& content = "x") const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << relative.toStdString();
        file.write(content);
        return path(relative);
    }

    void makeFiles(std::initializer_list<const char*> relatives) const
    {
        for (const char* relative : relatives)
            makeFile(QString::fromUtf8(relative));
    }

    QByteArray read(const QString& relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool exists(const QString& relative) const { return QFileInfo::exists(path(relative)); }

private:
    QTemporaryDir dir_;
};

// Loads codec libraries of the program's folder for good. Exiv2, which some of them bring in, keeps
// process-wide tables it never frees; unloaded after each call, those would show up as leaks under
// LeakSanitizer. Pinned, the program's own load and unload by name only counts references.
inline bool pinLibraries(std::initializer_list<const char*> baseNames)
{
    for (const char* name : baseNames) {
        const QByteArray path = QByteArray(KESTREL_BIN_DIR "/lib") + name + ".so";
        dlopen(path.constData(), RTLD_NOW | RTLD_NODELETE);
    }
    return true;
}

// Runs a tool of the test machine; true when it ended well.
inline bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A small TIFF at `path`, and with `withExif` an Exif directory in it, made by ImageMagick and exiv2.
inline bool makeTiff(const QString& path, bool withExif)
{
    if (!runTool(QStringLiteral("convert"),
                 {QStringLiteral("-size"), QStringLiteral("16x12"), QStringLiteral("gradient:red-blue"), path}))
        return false;
    return !withExif ||
           runTool(QStringLiteral("exiv2"),
                   {QStringLiteral("-M"), QStringLiteral("set Exif.Photo.DateTimeOriginal 2001:02:03 04:05:06"), path});
}

// Presents folders as volumes for the life of the object: writes a table and points KESTREL_VOLUMES at
// it, restoring the previous value afterwards.
class VolumeTable {
public:
    VolumeTable()
        : previous_(qgetenv(platform::Volumes::TableVariable)),
          hadPrevious_(qEnvironmentVariableIsSet(platform::Volumes::TableVariable))
    {
    }
    ~VolumeTable()
    {
        if (hadPrevious_)
            qputenv(platform::Volumes::TableVariable, previous_);
        else
            qunsetenv(platform::Volumes::TableVariable);
    }
    VolumeTable(const VolumeTable&) = delete;
    VolumeTable& operator=(const VolumeTable&) = delete;

    VolumeTable& add(const QString& root, const char* type, const QString& label = QString(), bool system = false)
    {
        lines_ += (root + QLatin1Char('\t') + QLatin1String(type) + QLatin1Char('\t') + label +
                   (system ? QStringLiteral("\tsystem") : QString()) + QLatin1Char('\n'))
                      .toUtf8();
        write();
        return *this;
    }

    // A fake drive of its own with the given type; the tree is owned by the table.
    const FakeTree& addDrive(const char* type, const QString& label = QString(), bool system = false)
    {
        trees_.push_back(std::make_unique<FakeTree>());
        add(trees_.back()->root(), type, label, system);
        return *trees_.back();
    }

private:
    void write()
    {
        QFile file(folder_.path() + QStringLiteral("/volumes.tsv"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines_);
        file.close();
        qputenv(platform::Volumes::TableVariable, QFile::encodeName(file.fileName()));
    }

    QByteArray previous_;
    bool hadPrevious_;
    QTemporaryDir folder_;
    QByteArray lines_;
    std::vector<std::unique_ptr<FakeTree>> trees_;
};

} // namespace testing_support
