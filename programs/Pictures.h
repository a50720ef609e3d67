#pragma once
// Pictures as the outside programs show them, and the slide show's list.

#include <QImage>
#include <QString>
#include <QStringList>

namespace programs {

// Decodes `path` with the program's own decoders (DV stills, Exif and plain JPEG, BMP, Exif TIFF),
// falling back to Qt's readers. A null image when nothing can read it.
QImage loadPicture(const QString& path);

// The handed-over list and the position in it. Moving past either end wraps round.
class SlideList {
public:
    explicit SlideList(QStringList paths) : paths_(std::move(paths)) {}

    bool isEmpty() const { return paths_.isEmpty(); }
    qsizetype size() const { return paths_.size(); }
    qsizetype index() const { return index_; }
    QString current() const { return paths_.isEmpty() ? QString() : paths_[index_]; }
    void next() { step(1); }
    void previous() { step(-1); }
    void first() { index_ = 0; }
    void last() { index_ = paths_.isEmpty() ? 0 : paths_.size() - 1; }

private:
    void step(int by)
    {
        if (!paths_.isEmpty())
            index_ = (index_ + by + paths_.size()) % paths_.size();
    }

    QStringList paths_;
    qsizetype index_ = 0;
};

// Slidecast's command line: "/kst" and "/h<decimal window id>" (either '/' or '-'), and "--files"
// followed by paths that replace the clipboard's list.
struct SlideCommandLine {
    bool fromKestrel = false;
    quint64 ownerWindow = 0;
    bool filesGiven = false;
    QStringList files;
};
SlideCommandLine parseSlideCommandLine(const QStringList& arguments);

}  // namespace programs
