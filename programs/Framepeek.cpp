// Framepeek <file> [options]: shows one DV still or picture in a small window. "--size" prints the
// decoded picture's width and height instead and ends (status 1 when it cannot be read).

#include "programs/Pictures.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>

#include <cstdio>

namespace {
// The window takes at most this share of the screen; larger pictures are shown shrunk.
constexpr double ScreenShare = 0.8;
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString path;
    bool sizeOnly = false;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument == QLatin1String("--size"))
            sizeOnly = true;
        else if (path.isEmpty() && !argument.startsWith(u'-'))
            path = argument;
    }
    const QImage picture = path.isEmpty() ? QImage() : programs::loadPicture(path);
    if (sizeOnly) {
        if (picture.isNull())
            return 1;
        std::printf("%dx%d\n", picture.width(), picture.height());
        return 0;
    }

    QLabel label;
    label.setAlignment(Qt::AlignCenter);
    label.setWindowTitle(path.isEmpty() ? QStringLiteral("Framepeek")
                                        : QFileInfo(path).fileName() + QStringLiteral(" - Framepeek"));
    if (picture.isNull()) {
        label.setText(QString::fromUtf8("ファイルを開けません。"));
        label.resize(320, 120);
    } else {
        QSize room = picture.size();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QSize most = screen->availableGeometry().size() * ScreenShare;
            if (room.width() > most.width() || room.height() > most.height())
                room.scale(most, Qt::KeepAspectRatio);
        }
        label.setPixmap(QPixmap::fromImage(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        label.resize(room);
    }
    label.show();
    return app.exec();
}
