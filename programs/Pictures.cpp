#include "programs/Pictures.h"

#include "imaging/DvStillDecoder.h"
#include "imaging/ImageFiles.h"

#include <QImageReader>

namespace programs {

QImage loadPicture(const QString& path)
{
    const QString ending = path.right(4).toLower();
    if (ending == QLatin1String(".dvf") || ending == QLatin1String(".jpg") || ending == QLatin1String(".bmp")) {
        const QImage image = imaging::decodePictureFile(path, imaging::DvStillOptions()).toImage();
        if (!image.isNull())
            return image;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

SlideCommandLine parseSlideCommandLine(const QStringList& arguments)
{
    SlideCommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (line.filesGiven) {
            line.files << argument;
            continue;
        }
        if (argument == QLatin1String("--files")) {
            line.filesGiven = true;
            continue;
        }
        if (argument.size() < 2 || (argument[0] != u'/' && argument[0] != u'-'))
            continue;
        const QString option = argument.mid(1);
        if (option.compare(QLatin1String("kst"), Qt::CaseInsensitive) == 0) {
            line.fromKestrel = true;
        } else if (option.startsWith(u'h', Qt::CaseInsensitive)) {
            bool ok = false;
            const quint64 id = option.mid(1).toULongLong(&ok);
            if (ok)
                line.ownerWindow = id;
        }
    }
    return line;
}

}  // namespace programs
