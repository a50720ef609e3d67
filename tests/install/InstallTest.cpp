// Installs the build into a temporary prefix and checks that the installed tree stands on its own: the
// exact set of files, every program file finding its siblings in its own folder, the command link, the
// desktop entries naming programs that start, the icons and the mime type. The prefix holds characters
// a desktop launcher treats as syntax, so that the entries' quoting is exercised too.

#include "DvDecode/DvFrameBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace {

constexpr int kProcessMs = 120000;
const QString kFolder = QStringLiteral("lib/kestrel");
const QStringList kIconSizes = {QStringLiteral("16"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("32"),
                                QStringLiteral("48"), QStringLiteral("64"), QStringLiteral("128"), QStringLiteral("256")};
// What the program folder must hold: the program, the helper programs, every library loaded by name,
// the grabber plugin and the bundles; nothing else of the build's bin/ (tests, tools, fuzzers).
const QStringList kProgramFolder = {
    QStringLiteral("kestrel"),          QStringLiteral("Framepeek"),        QStringLiteral("Slidecast"),
    QStringLiteral("Tempsweep"),        QStringLiteral("Uibase.rcc"),       QStringLiteral("Uires.rcc"),
    QStringLiteral("libKestrelPlatform.so"), QStringLiteral("libVistra32.so"), QStringLiteral("libClipnail.so"),
    QStringLiteral("libStillpick.so"),  QStringLiteral("libgstquilgrab.so"), QStringLiteral("libCamlink.so"),
    QStringLiteral("libQuilJpeg.so"),   QStringLiteral("libExifKit.so"),    QStringLiteral("libImgProbe.so"),
    QStringLiteral("libImgShift.so"),   QStringLiteral("libTurnkit.so"),    QStringLiteral("libStillform.so"),
    QStringLiteral("libCapline.so")};

struct Outcome {
    bool finished = false;
    int status = -1;
    QString output;  // standard output
    QString errors;  // standard error
};

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {},
        const QString& folder = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    Outcome result;
    result.finished = process.waitForFinished(kProcessMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

bool isElf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("\x7f" "ELF", 4);
}

// The keys of a desktop entry's main group, string escapes undone.
std::map<QString, QString> desktopEntry(const QString& path)
{
    std::map<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inMain = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMain || line.startsWith(QLatin1Char('#')) || equals <= 0)
            continue;
        QString value;
        const QString raw = line.mid(equals + 1);
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const QChar next = raw[++i];
            value += next == u's' ? QChar(u' ') : next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t')
                   : next == u'r' ? QChar(u'\r') : next;
        }
        keys[line.left(equals).trimmed()] = value;
    }
    return keys;
}

// The arguments of an Exec value as a launcher splits them: double quotes group, and inside them a
// backslash escapes one of the characters that stay special there; "%%" is a literal percent sign,
// other field codes stay. A value a strict launcher would refuse (a reserved character left bare)
// gives no arguments at all.
QStringList execArguments(const QString& exec)
{
    const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    const QString escapable = QStringLiteral("\"`$\\");
    QStringList arguments;
    QString current;
    bool any = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\') {
                if (i + 1 == exec.size() || !escapable.contains(exec[i + 1]))
                    return {};
                current += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else if (c == u'`' || c == u'$') {
                return {};
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = any = true;
        } else if (c == u' ') {
            if (any)
                arguments << current;
            current.clear();
            any = false;
        } else if (reserved.contains(c)) {
            return {};
        } else {
            current += c;
            any = true;
        }
    }
    if (quoted)
        return {};
    if (any)
        arguments << current;
    // A field code stands alone as an argument; any other % must be doubled.
    for (QString& argument : arguments) {
        if (argument.size() == 2 && argument[0] == u'%' && QStringLiteral("fFuU").contains(argument[1]))
            continue;
        QString literal;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] == u'%' && (i + 1 == argument.size() || argument[++i] != u'%'))
                return {};
            literal += argument[i];
        }
        argument = literal;
    }
    return arguments;
}

class InstalledTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        // A space, a quote, a dollar sign and a percent sign: each means something to a launcher.
        prefix_ = temp_.filePath(QStringLiteral("Kestrel's $prefix 100%"));
        folder_ = prefix_ + QLatin1Char('/') + kFolder;
        for (const char* name : {"home", "config", "cache", "data", "tmp", "runtime"})
            ASSERT_TRUE(QDir().mkpath(temp_.filePath(QLatin1String(name))));
        ASSERT_EQ(::chmod(QFile::encodeName(temp_.filePath(QStringLiteral("runtime"))).constData(), 0700), 0);
    }

    // The programs run with every per-user folder inside the temporary folder, so that a start writes
    // nothing elsewhere and meets no other instance, and with no library path into the build.
    QProcessEnvironment isolated() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
        environment.remove(QStringLiteral("KESTREL_VOLUMES"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), temp_.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), temp_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), temp_.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), temp_.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), temp_.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("TMPDIR"), temp_.filePath(QStringLiteral("tmp")));
        return environment;
    }

    void install()
    {
        const Outcome done = run(QStringLiteral(KESTREL_CMAKE_COMMAND),
                             {QStringLiteral("--install"), QStringLiteral(KESTREL_BUILD_DIR), QStringLiteral("--prefix"),
                              prefix_});
        ASSERT_TRUE(done.finished);
        ASSERT_EQ(done.status, 0) << (done.output + done.errors).toStdString();
    }

    QSet<QString> installedFiles() const
    {
        QSet<QString> files;
        QDirIterator it(prefix_, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(prefix_).relativeFilePath(it.next());
        return files;
    }

    QTemporaryDir temp_;
    QString prefix_;
    QString folder_;
};

TEST_F(InstalledTree, StandsOnItsOwnAndStartsFromItsEntries)
{
    ASSERT_NO_FATAL_FAILURE(install());

    // Exactly the program's files, and nothing of the build's tests or tools.
    QSet<QString> expected;
    for (const QString& name : kProgramFolder)
        expected << kFolder + QLatin1Char('/') + name;
    expected << QStringLiteral("bin/kestrel") << QStringLiteral("share/applications/kestrel.desktop")
             << QStringLiteral("share/applications/kestrel-framepeek.desktop")
             << QStringLiteral("share/mime/packages/kestrel-dvf.xml");
    for (const QString& size : kIconSizes)
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/kestrel.png").arg(size);
    const QSet<QString> installed = installedFiles();
    EXPECT_EQ(installed - expected, QSet<QString>()) << "installed but not expected";
    EXPECT_EQ(expected - installed, QSet<QString>()) << "expected but not installed";

    // The command: a relative link, so the tree can move as a whole.
    const QFileInfo command(prefix_ + QStringLiteral("/bin/kestrel"));
    ASSERT_TRUE(command.isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(command.absoluteFilePath()), QFileInfo(folder_ + QStringLiteral("/kestrel")).absoluteFilePath());
    char target[256] = {};
    ASSERT_GT(::readlink(QFile::encodeName(command.absoluteFilePath()).constData(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "../lib/kestrel/kestrel");

    // Every program file looks for its siblings in its own folder and nowhere else (no path into the
    // build), and the loader finds the project's libraries there.
    const QRegularExpression runpath(QStringLiteral(R"(\((RUNPATH|RPATH)\)\s+Library (?:runpath|rpath): \[(.*)\])"));
    int elves = 0;
    for (const QString& name : kProgramFolder) {
        const QString path = folder_ + QLatin1Char('/') + name;
        if (!isElf(path))
            continue;
        ++elves;
        SCOPED_TRACE(name.toStdString());
        const Outcome dynamic = run(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral("-W"), path});
        ASSERT_EQ(dynamic.status, 0) << dynamic.errors.toStdString();
        QStringList found;
        for (auto match = runpath.globalMatch(dynamic.output); match.hasNext();) {
            const auto m = match.next();
            found << m.captured(1) + QLatin1Char('=') + m.captured(2);
        }
        EXPECT_EQ(found, QStringList{QStringLiteral("RUNPATH=$ORIGIN")});

        const Outcome linked = run(QStringLiteral("ldd"), {path}, isolated());
        ASSERT_EQ(linked.status, 0) << linked.errors.toStdString();
        EXPECT_FALSE(linked.output.contains(QLatin1String("not found"))) << linked.output.toStdString();
        for (const QString& line : linked.output.split(QLatin1Char('\n'))) {
            const qsizetype arrow = line.indexOf(QLatin1String(" => "));
            const QString needed = line.left(arrow).trimmed();
            if (arrow < 0 || !kProgramFolder.contains(needed))
                continue;
            QString resolved = line.mid(arrow + 4);
            resolved = resolved.left(resolved.lastIndexOf(QLatin1String(" (")));
            EXPECT_EQ(resolved, folder_ + QLatin1Char('/') + needed) << "needed by " << name.toStdString();
        }
    }
    EXPECT_EQ(elves, kProgramFolder.size() - 2);  // all but the two bundles

    // The desktop entries name the installed programs, quoted so that a launcher reads the odd prefix
    // back whole.
    const auto kestrel = desktopEntry(prefix_ + QStringLiteral("/share/applications/kestrel.desktop"));
    const auto framepeek = desktopEntry(prefix_ + QStringLiteral("/share/applications/kestrel-framepeek.desktop"));
    for (const auto* entry : {&kestrel, &framepeek}) {
        EXPECT_EQ(entry->count(QStringLiteral("Type")) ? entry->at(QStringLiteral("Type")) : QString(),
                  QStringLiteral("Application"));
        EXPECT_EQ(entry->count(QStringLiteral("Icon")) ? entry->at(QStringLiteral("Icon")) : QString(),
                  QStringLiteral("kestrel"));
    }
    ASSERT_TRUE(kestrel.count(QStringLiteral("Exec")) && framepeek.count(QStringLiteral("Exec")));
    const QStringList kestrelExec = execArguments(kestrel.at(QStringLiteral("Exec")));
    EXPECT_EQ(kestrelExec, QStringList{prefix_ + QStringLiteral("/bin/kestrel")});
    EXPECT_EQ(kestrel.count(QStringLiteral("TryExec")) ? kestrel.at(QStringLiteral("TryExec")) : QString(),
              prefix_ + QStringLiteral("/bin/kestrel"));
    const QStringList peekExec = execArguments(framepeek.at(QStringLiteral("Exec")));
    EXPECT_EQ(peekExec, (QStringList{folder_ + QStringLiteral("/Framepeek"), QStringLiteral("%f")}));
    const QString mimeTypes = framepeek.count(QStringLiteral("MimeType")) ? framepeek.at(QStringLiteral("MimeType")) : QString();
    EXPECT_TRUE(mimeTypes.split(QLatin1Char(';')).contains(QStringLiteral("video/x-kestrel-dvf"))) << mimeTypes.toStdString();

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        for (const char* name : {"kestrel.desktop", "kestrel-framepeek.desktop"}) {
            const Outcome check = run(validator, {prefix_ + QStringLiteral("/share/applications/") + QLatin1String(name)});
            EXPECT_EQ(check.status, 0) << name << ": " << (check.output + check.errors).toStdString();
            EXPECT_FALSE((check.output + check.errors).contains(QLatin1String("error:")));
        }
    }

    // The command of the entry starts the installed program through its link. An automation start
    // binds both bundles from the program's folder and ends at once; with a bundle missing the program
    // would stop at a message box instead.
    // The loader's trace shows which files each start loads: those of the project come from the
    // installed folder, none from the build.
    QProcessEnvironment traced = isolated();
    traced.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
    const auto checkLoaded = [&](const Outcome& outcome, const QString& library) {
        EXPECT_TRUE(outcome.errors.contains(QStringLiteral("calling init: ") + folder_ + QLatin1Char('/') + library))
            << library.toStdString() << " not loaded from the installed folder";
        EXPECT_FALSE(outcome.errors.contains(QStringLiteral("calling init: " KESTREL_BUILD_DIR)));
    };
    ASSERT_FALSE(kestrelExec.isEmpty());
    const Outcome start = run(kestrelExec.first(), {QStringLiteral("/Embedding")}, traced, temp_.path());
    ASSERT_TRUE(start.finished) << "the installed program did not end";
    EXPECT_EQ(start.status, 0) << start.output.toStdString();
    checkLoaded(start, QStringLiteral("libKestrelPlatform.so"));

    // The viewer of the entry decodes a DV still with the decoder it loads by name from its own folder.
    const std::vector<uint8_t> frame = dvtest::UniformFrame(/*is525=*/true, 40, 0, 0);
    const QString still = temp_.filePath(QStringLiteral("tmp/grey.dvf"));
    {
        QFile file(still);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()));
    }
    ASSERT_EQ(peekExec.size(), 2);
    const Outcome peek = run(peekExec.first(), {QStringLiteral("--size"), still}, traced, temp_.path());
    ASSERT_TRUE(peek.finished) << "the installed viewer did not end";
    EXPECT_EQ(peek.status, 0) << peek.output.toStdString();
    checkLoaded(peek, QStringLiteral("libVistra32.so"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d+x480\s*$)")).match(peek.output).hasMatch())
        << peek.output.toStdString();

    // The icons: the program's icon at every size, drawn on a transparent ground.
    for (const QString& size : kIconSizes) {
        SCOPED_TRACE(size.toStdString());
        const QImage icon(prefix_ + QStringLiteral("/share/icons/hicolor/%1x%1/apps/kestrel.png").arg(size));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.width(), size.toInt());
        EXPECT_EQ(icon.height(), size.toInt());
        EXPECT_TRUE(icon.hasAlphaChannel());
        int clear = 0;
        int solid = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const int alpha = qAlpha(icon.pixel(x, y));
                clear += alpha == 0;
                solid += alpha == 255;
            }
        }
        EXPECT_GT(clear, 0);
        EXPECT_GT(solid, icon.width() * icon.height() / 3);
    }

    // The mime type: well-formed, a *.dvf glob and the "DVF " mark at offset 0.
    QFile mime(prefix_ + QStringLiteral("/share/mime/packages/kestrel-dvf.xml"));
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&mime);
    QStringList types, globs, matches;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == QLatin1String("mime-type"))
            types << attributes.value(QLatin1String("type")).toString();
        else if (xml.name() == QLatin1String("glob"))
            globs << attributes.value(QLatin1String("pattern")).toString();
        else if (xml.name() == QLatin1String("match"))
            matches << attributes.value(QLatin1String("type")).toString() + QLatin1Char('@') +
                           attributes.value(QLatin1String("offset")).toString() + QLatin1Char('=') +
                           attributes.value(QLatin1String("value")).toString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(types, QStringList{QStringLiteral("video/x-kestrel-dvf")});
    EXPECT_EQ(globs, QStringList{QStringLiteral("*.dvf")});
    EXPECT_EQ(matches, QStringList{QStringLiteral("string@0=DVF ")});
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty()) {
        const Outcome update = run(updater, {prefix_ + QStringLiteral("/share/mime")}, isolated());
        EXPECT_EQ(update.status, 0) << update.errors.toStdString();
        QFile globs2(prefix_ + QStringLiteral("/share/mime/globs2"));
        ASSERT_TRUE(globs2.open(QIODevice::ReadOnly));
        EXPECT_TRUE(globs2.readAll().contains(":video/x-kestrel-dvf:*.dvf"));
    }

}

}  // namespace
