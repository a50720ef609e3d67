#include "fileops/CardCopy.h"

#include "fileops/CardPictures.h"
#include "fileops/DcfNumbering.h"
#include "fileops/FileOperationRunner.h"
#include "fileops/Progress.h"

#include "imaging/ExifKitBinding.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <memory>

namespace fileops {

const QString CardCopy::FullFolderMessage = QString::fromUtf8(
    "このメモリーカードのフォルダには、すでに９９９９ 枚のファイルがあります。これ以上のファイルを入れることができません。\n"
    "ファイルを削除するか、その他のフォルダを指定してからやり直してください。");

namespace {

// The private folder each picture is copied into; named so a crash's leftover is recognisable.
const QString WorkFolderPattern = QStringLiteral("/kestrel-card-XXXXXX");

using ImagePtr = std::unique_ptr<Exiv2::Image>;

ImagePtr openMetadata(const QString& path)
{
    try {
        ImagePtr image(Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString()).release());
        if (image)
            image->readMetadata();
        return image;
    } catch (const std::exception&) {
        return nullptr;
    }
}

// The source's shooting date as Exif writes it, or empty: DateTimeOriginal, else DateTime.
std::string shootingDate(const QString& path)
{
    const ImagePtr image = openMetadata(path);
    if (!image)
        return {};
    const Exiv2::ExifData& exif = image->exifData();
    for (const char* key : {"Exif.Photo.DateTimeOriginal", "Exif.Image.DateTime"}) {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        if (found != exif.end() && found->typeId() == Exiv2::asciiString) {
            const std::string text = found->toString();
            if (text.size() == 19)  // "YYYY:MM:DD HH:MM:SS"
                return text;
        }
    }
    return {};
}

// A converted picture is stamped with the time of conversion; a camera would have written the time the
// picture was taken.
void stampShootingDate(const QString& jpeg, const std::string& date)
{
    if (date.empty())
        return;
    const ImagePtr image = openMetadata(jpeg);
    if (!image)
        return;
    try {
        Exiv2::ExifData& exif = image->exifData();
        exif["Exif.Photo.DateTimeOriginal"] = date;
        exif["Exif.Photo.DateTimeDigitized"] = date;
        exif["Exif.Image.DateTime"] = date;
        image->writeMetadata();
    } catch (const std::exception&) {
        // The picture stays valid with the conversion's date.
    }
}

bool hasEnding(const QString& path, QLatin1String ending)
{
    return path.right(4).compare(ending, Qt::CaseInsensitive) == 0;
}

}  // namespace

CardCopy::CardCopy(Progress* progress, QWidget* owner) : progress_(progress), owner_(owner) {}

QStringList CardCopy::asList(const CardCopyResult& result)
{
    return result.stopped ? QStringList{StopMarker.toString()} : result.remaining;
}

CardCopyResult CardCopy::run(const QStringList& files, const QString& folder, OperationKind kind)
{
    Q_UNUSED(kind);  // the picture sources are never removed: the card receives converted copies
    CardCopyResult result;
    if (!isCardImageFolder(folder)) {
        result.remaining = files;
        return result;
    }
    imaging::ExifKitBinding exif;
    if (!exif.bind(imaging::ExifKitBinding::CheckFormat, imaging::ExifKitBinding::Messages::Program))
        return result;

    DcfNumberChooser numbers(folder);
    bool windowOpen = false;
    auto stop = [&] {
        if (windowOpen && progress_)
            progress_->close();
        result.stopped = true;
        result.remaining.clear();
        return result;
    };

    for (qsizetype index = 0; index < files.size(); ++index) {
        const QString& source = files[index];
        if (windowOpen && progress_ && progress_->cancelRequested())
            return stop();
        if (!isCardPicture(source, exif)) {
            result.remaining << source;
            continue;
        }
        const QString name = QFileInfo(source).fileName();
        if (!windowOpen && progress_) {
            progress_->open(UiResources::string(ProgressTextId));
            windowOpen = true;
        }
        if (progress_) {
            progress_->setItem(name);
            progress_->setProgress(index, files.size());
        }

        const std::optional<int> number = numbers.next();
        if (!number) {
            if (windowOpen && progress_) {
                progress_->close();
                windowOpen = false;
            }
            platform::messageBox(owner_, FullFolderMessage, UiResources::string(21012), platform::MbOk);
            return stop();
        }

        QTemporaryDir work(platform::tempFolder() + WorkFolderPattern);
        if (!work.isValid())
            continue;
        const QString copy = work.filePath(name);
        if (!QFile::copy(source, copy))
            continue;
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
        const std::string date = hasEnding(source, QLatin1String(".tif")) ? shootingDate(copy) : std::string();
        QString converted;
        if (!convertToExifJpeg(copy, &converted, dvSettings_))
            continue;  // skipped without a word, as a picture that cannot be read
        if (converted != copy)
            stampShootingDate(converted, date);

        const QString target = QDir(folder).filePath(DcfNumberChooser::fileName(*number));
        FileOperation move;
        move.kind = OperationKind::Move;
        move.sources = {converted};
        move.destinations = {target};
        move.multipleDestinations = true;
        move.allowUndo = true;
        FileOperationRunner runner(nullptr, owner_);
        const OperationResult moved = runner.run(move);
        if (!moved.succeeded())
            return stop();
        result.written << target;
    }
    if (windowOpen && progress_) {
        progress_->setProgress(files.size(), files.size());
        progress_->close();
    }
    return result;
}

}  // namespace fileops
