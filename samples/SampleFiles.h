#pragma once
// Writers of the sample card's files, each through the component a camera file of that kind comes from
// in this project: ExifKit for Exif JPEGs, QuilJpeg for plain JPEGs, Stillform for .dcf stills, Capline
// for .ttl titles, the BMP writer of the imaging layer; ffmpeg encodes the DV frames and the movies.
// Every writer throws std::runtime_error with a reason when it fails, so the build stops.

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>

namespace samples {

// An Exif JPEG with a thumbnail; the shooting date and the camera's name are recorded in it.
void writeExifJpeg(const QString& path, const QImage& picture, const QDateTime& shot);

// A JFIF JPEG without Exif data.
void writePlainJpeg(const QString& path, const QImage& picture);

// An uncompressed RGB TIFF carrying an Exif directory with the shooting date.
void writeExifTiff(const QString& path, const QImage& picture, const QDateTime& shot);

void writeBmp(const QString& path, const QImage& picture);

// A .dcf still (small: 80 x 60 in colour fits the format's decoder).
void writeDcfStill(const QString& path, const QImage& picture, const QDateTime& shot);

// A .ttl title card.
void writeTitle(const QString& path, int width, int height, const QString& text);

enum class DvSystem { System525, System625 };

// One DV frame of `picture` (square pixels, 4:3) as a .dvf frame file.
void writeDvStill(const QString& path, const QImage& picture, DvSystem system);

enum class MovieKind { Avi, Mov };

// A Motion-JPEG movie of `frames` frames (15 a second) drawn by `frame(i)`, with a tone as sound.
void writeMovie(const QString& path, MovieKind kind, int frames, const std::function<QImage(int)>& frame,
                const QDateTime& created);

// Sets the file's modification time.
void setFileTime(const QString& path, const QDateTime& time);

} // namespace samples
