#include "fileops/OpenFile.h"

#include "fileops/DefaultApplications.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace fileops {
namespace {

constexpr int Started = 33;
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int GenericFailure = 31;
const QString DvViewerName = QStringLiteral("Framepeek");
// The type an installed Kestrel registers for its DV still files.
const QString DvMimeType = QStringLiteral("video/x-kestrel-dvf");

bool hasEnding(const QString& path, const char* ending)
{
    return path.right(4).compare(QLatin1String(ending), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString OpenFile::failureText(int code)
{
    switch (code) {
    case 0:
        return QString::fromUtf8("オペレーティングシステムのメモリまたはリソースが足りません。");
    case 2:
        return QString::fromUtf8("指定されたファイルは見つかりませんでした。");
    case 3:
        return QString::fromUtf8("指定されたパスは存在しません。");
    case 11:
        return QString::fromUtf8("実行ファイルの形式が不正です。");
    case 26:
        return QString::fromUtf8("共有違反が発生しました。");
    default:
        return QString::fromUtf8("アプリケーションの起動に失敗しました。");
    }
}

QString OpenFile::dvProgram()
{
    const QFileInfo beside(platform::programFolder() + QLatin1Char('/') + DvViewerName);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(DvViewerName);
}

int OpenFile::open(const QString& path, const OpenOptions& options, QWidget* owner)
{
    if (hasEnding(path, ".dvf")) {
        // The program the desktop has registered for DV stills (an installed Kestrel registers its viewer),
        // else the viewer beside the program.
        QStringList command = DefaultApplications::command(DefaultApplications::applicationFor(DvMimeType));
        if (command.isEmpty() && !dvProgram().isEmpty())
            command = QStringList{dvProgram()};
        if (command.isEmpty())
            return 0;
        const QString program = command.takeFirst();
        const QStringList arguments = command + QStringList{QFileInfo(path).absoluteFilePath()} + options.dvOptions;
        const bool started = options.starter ? options.starter(program, arguments)
                                             : QProcess::startDetached(program, arguments);
        return started ? Started : 0;
    }
    if (hasEnding(path, ".dcf")) {
        if (options.dcfViewer && options.dcfViewer(path))
            return Started;
        platform::messageBox(owner, UiResources::string(DcfViewerMissingId), UiResources::string(DcfViewerCaptionId),
                             platform::MbOk | platform::MbIconStop);
        return GenericFailure;
    }

    int code = Started;
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        code = PathNotFound;
    else if (!info.exists())
        code = FileNotFound;
    else if (!(options.opener ? options.opener(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path))))
        code = GenericFailure;
    if (code != Started)
        platform::messageBox(owner, failureText(code), UiResources::string(ApplicationTitleId),
                             platform::MbOk | platform::MbIconStop | platform::MbTaskModal);
    return code;
}

}  // namespace fileops
