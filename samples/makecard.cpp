// Draws the sample memory card the program can be tried with: a card root with the camera folder
// layout, one file of every kind the browser knows, and a print order; plus a volume table that
// presents the card as a removable drive (KESTREL_VOLUMES).
//
// Usage: makecard OUTDIR   ->  OUTDIR/card/..., OUTDIR/volumes.tsv, OUTDIR/card.stamp
//
// Run from the program's folder: the string bundle and ImgProbe are loaded from there, as the program
// loads them.

#include "samples/SampleFiles.h"
#include "samples/Scenes.h"

#include "platform/Paths.h"
#include "platform/Volumes.h"
#include "print/PrintOrder.h"
#include "resources/UiResources.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <stdexcept>

namespace {

using samples::Scene;

const QSize Vga(640, 480);
const QSize PortraitVga(480, 640);
const QSize MovieSize(320, 240);
const QSize DcfSize(80, 60);       // the largest colour picture a .dcf still holds
const QSize Dv525Square(640, 480); // 4:3 in square pixels, squeezed to 720 x 480 for the frame
const QSize Dv625Square(768, 576);
constexpr int MovieFrames = 30; // two seconds at 15 frames a second

QDateTime shotAt(int day, int hour, int minute, int second)
{
    return QDateTime(QDate(2001, 8, day), QTime(hour, minute, second));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error((path + QStringLiteral(": ") + file.errorString()).toStdString());
}

void writePictures(const QString& folder)
{
    auto at = [&](const char* name) { return folder + QLatin1Char('/') + QLatin1String(name); };
    struct Shot {
        const char* name;
        Scene scene;
        QSize size;
        QDateTime time;
    };
    const Shot exifShots[] = {
        {"IMGA0001.JPG", Scene::SunsetLake, Vga, shotAt(14, 18, 42, 10)},
        {"IMGA0002.JPG", Scene::Meadow, Vga, shotAt(15, 10, 5, 33)},
        {"IMGA0003.JPG", Scene::Lighthouse, PortraitVga, shotAt(15, 19, 20, 1)},
        {"IMGA0004.JPG", Scene::CityNight, Vga, shotAt(16, 21, 12, 45)},
    };
    for (const Shot& shot : exifShots) {
        samples::writeExifJpeg(at(shot.name), samples::renderScene(shot.scene, shot.size), shot.time);
        samples::setFileTime(at(shot.name), shot.time);
    }

    samples::writePlainJpeg(at("IMGA0005.JPG"), samples::renderScene(Scene::Beach, Vga));
    samples::setFileTime(at("IMGA0005.JPG"), shotAt(17, 11, 0, 0));

    const QDateTime balloons = shotAt(17, 7, 30, 0);
    samples::writeExifTiff(at("IMGA0006.TIF"), samples::renderScene(Scene::Balloons, MovieSize), balloons);
    samples::setFileTime(at("IMGA0006.TIF"), balloons);

    samples::writeBmp(at("IMGA0007.BMP"), samples::renderScene(Scene::AutumnForest, MovieSize));
    samples::setFileTime(at("IMGA0007.BMP"), shotAt(18, 15, 10, 0));

    samples::writeDvStill(at("DVSD0008.DVF"), samples::renderScene(Scene::Beach, Dv525Square),
                          samples::DvSystem::System525);
    samples::setFileTime(at("DVSD0008.DVF"), shotAt(17, 12, 0, 0));
    samples::writeDvStill(at("DVSD0009.DVF"), samples::renderScene(Scene::SunsetLake, Dv625Square, 0.7),
                          samples::DvSystem::System625);
    samples::setFileTime(at("DVSD0009.DVF"), shotAt(14, 18, 50, 0));

    // The movies share the numbers of no picture; the boat crosses the lake, the balloons rise.
    const QDateTime boatTime = shotAt(14, 18, 55, 0);
    samples::writeMovie(
        at("MVI_0010.AVI"), samples::MovieKind::Avi, MovieFrames,
        [](int i) { return samples::renderScene(Scene::SunsetLake, MovieSize, i / double(MovieFrames - 1)); },
        boatTime);
    samples::setFileTime(at("MVI_0010.AVI"), boatTime);
    const QDateTime liftTime = shotAt(17, 7, 45, 0);
    samples::writeMovie(
        at("MVI_0011.MOV"), samples::MovieKind::Mov, MovieFrames,
        [](int i) { return samples::renderScene(Scene::Balloons, MovieSize, i / double(MovieFrames - 1)); }, liftTime);
    samples::setFileTime(at("MVI_0011.MOV"), liftTime);

    const QDateTime stillTime = shotAt(18, 9, 30, 0);
    samples::writeDcfStill(at("STIL0012.DCF"), samples::renderScene(Scene::Meadow, DcfSize), stillTime);
    samples::setFileTime(at("STIL0012.DCF"), stillTime);

    samples::writeTitle(at("TITL0013.TTL"), Vga.width(), Vga.height(), QStringLiteral("北海道の夏\n2001年8月"));
    samples::setFileTime(at("TITL0013.TTL"), shotAt(18, 20, 0, 0));

    writeFile(at("MEMO0014.TXT"), "Sample card of Kestrel: one file of each kind the browser shows.\r\n");
    samples::setFileTime(at("MEMO0014.TXT"), shotAt(18, 20, 5, 0));
}

// The camera left an index print of the first four pictures; the program adds standard prints to it,
// as the print-order dialog does.
void writePrintOrder(const QString& card, const QString& folder)
{
    writeFile(
        card + QStringLiteral("/MISC/AUTPRINT.MRK"),
        "[HDR]\r\nGEN REV = 01.10\r\nGEN CRT = \"Kestrel sample card\" -01.00\r\nGEN DTM = 2001:08:18:20:00:00\r\n"
        "[JOB]\r\nPRT PID = 001\r\nPRT TYP = IDX\r\nPRT QTY = 001\r\nIMG FMT = EXIF2 -J\r\n"
        "IMG SRC = \"../DCIM/100KSTRL/IMGA0001.JPG\"\r\nIMG SRC = \"../DCIM/100KSTRL/IMGA0002.JPG\"\r\n"
        "IMG SRC = \"../DCIM/100KSTRL/IMGA0003.JPG\"\r\nIMG SRC = \"../DCIM/100KSTRL/IMGA0004.JPG\"\r\n");

    print::PrintOrder order;
    order.setCardPath(folder);
    if (!order.load())
        throw std::runtime_error("the print order cannot be read");
    print::EditedList list =
        order.editedList({folder + QStringLiteral("/IMGA0001.JPG"), folder + QStringLiteral("/IMGA0003.JPG"),
                          folder + QStringLiteral("/IMGA0006.TIF")});
    if (list.pictures.size() != 3)
        throw std::runtime_error("the print order refused a sample picture");
    list.setQuantity(0, 2);
    list.setQuantity(1, 1);
    list.setQuantity(2, 1);
    if (!order.merge(list, nullptr) || !order.save())
        throw std::runtime_error("the print order cannot be written");
    // A card fresh from the camera carries no backup of an earlier order.
    QFile::remove(order.backupFilePath());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makecard OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString card = out + QStringLiteral("/card");
    const QString folder = card + QStringLiteral("/DCIM/100KSTRL");
    const QString table = out + QStringLiteral("/volumes.tsv");

    try {
        QFile::remove(out + QStringLiteral("/card.stamp"));
        QDir(card).removeRecursively();
        if (!QDir().mkpath(folder) || !QDir().mkpath(card + QStringLiteral("/MISC")))
            throw std::runtime_error("cannot make the card's folders");

        // The card is a removable drive beside the machine's own disk; the root is relative to the
        // table, so the folder may move.
        writeFile(table, "# Kestrel's sample card as a removable drive: KESTREL_VOLUMES=<this file>\n"
                         "/\tfixed\tSystem\n"
                         "card\tremovable\tKESTREL\n");
        qputenv(platform::Volumes::TableVariable, QFile::encodeName(table));

        if (!UiResources::bind(UiResources::Bundle::Uires, platform::programFolder()))
            throw std::runtime_error("Uires.rcc is missing beside makecard");

        writePictures(folder);
        writePrintOrder(card, folder);
        writeFile(out + QStringLiteral("/card.stamp"), QByteArray());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "makecard: %s\n", error.what());
        return 1;
    }
    return 0;
}
