#include "imaging/BmpFile.h"

#include "imaging/SiblingMessages.h"

#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {
namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr uint16_t kBmpType = 0x4D42;  // "BM"
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
// Far beyond any folder's pictures; only a guard against looping for ever.
constexpr int kMaxNameNumber = 100000;

uint32_t le32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void warn(int id)
{
    showNumberedMessage(id, platform::MbOk | platform::MbIconExclamation);
}

// Rewrites the block read from the file (everything after the file header) into a packed DIB with a
// 40-byte header, pixels right behind the colour table. False when the data do not hold the picture.
bool normalise(PackedDib& dib, std::size_t blockSize, uint32_t pixelOffset)
{
    auto* bytes = static_cast<uint8_t*>(dib.get());
    const uint32_t infoSize = le32(bytes);
    if (infoSize != kDibHeaderSize && infoSize != kV4HeaderSize && infoSize != kV5HeaderSize)
        return false;
    if (infoSize > blockSize)
        return false;
    BitmapInfoHeader& header = dib.header();
    if (header.compression != kBiRgb || header.height <= 0 || header.width <= 0 || header.planes != 1
        || header.clrUsed > 256)
        return false;
    const std::size_t row = dibRowBytes(header.width, header.bitCount);
    if (!row)
        return false;
    if (header.bitCount <= 8 && header.clrUsed == 0)
        header.clrUsed = colourTableEntries(header);
    const std::size_t tableBytes = static_cast<std::size_t>(colourTableEntries(header)) * 4;
    const uint64_t image = static_cast<uint64_t>(row) * static_cast<uint64_t>(header.height);
    if (image > UINT32_MAX || infoSize + tableBytes > blockSize)
        return false;
    header.sizeImage = static_cast<uint32_t>(image);
    // Pixels sit at the file header's offset when that points behind the colour table, else right after it.
    std::size_t pixels = infoSize + tableBytes;
    const uint64_t declared = pixelOffset >= kFileHeaderSize ? pixelOffset - kFileHeaderSize : 0;
    if (declared > pixels && declared < blockSize)
        pixels = static_cast<std::size_t>(declared);
    if (pixels + image > blockSize)
        return false;
    header.size = kDibHeaderSize;
    std::memmove(bytes + kDibHeaderSize, bytes + infoSize, tableBytes);
    std::memmove(bytes + kDibHeaderSize + tableBytes, bytes + pixels, static_cast<std::size_t>(image));
    return true;
}

QByteArray fileImage(const PackedDib& dib)
{
    const std::size_t dibBytes = dib.totalBytes();
    QByteArray out(static_cast<qsizetype>(kFileHeaderSize + dibBytes), '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    const uint32_t fileSize = static_cast<uint32_t>(kFileHeaderSize + dibBytes);
    const uint32_t pixelOffset = static_cast<uint32_t>(kFileHeaderSize + dib.bitsOffset());
    p[0] = kBmpType & 0xFF;
    p[1] = kBmpType >> 8;
    std::memcpy(p + 2, &fileSize, 4);
    std::memcpy(p + 10, &pixelOffset, 4);
    std::memcpy(p + kFileHeaderSize, dib.get(), dibBytes);
    return out;
}

bool writeAll(int fd, const QByteArray& data, int* error)
{
    const char* at = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, static_cast<std::size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = written < 0 ? errno : ENOSPC;
            return false;
        }
        at += written;
        left -= written;
    }
    if (::fsync(fd) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

void reportWriteFailure(int error)
{
    warn(error == ENOSPC || error == EDQUOT ? strings::kDiskFull : strings::kCannotOpenFile);
}

enum class NewFile { Written, NameTaken, CreateFailed, WriteFailed };

// Writes into a new file only. A failed write is reported here and leaves nothing behind.
NewFile writeNew(const QString& path, const QByteArray& data)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? NewFile::NameTaken : NewFile::CreateFailed;
    int error = 0;
    bool ok = writeAll(fd, data, &error);
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok)
        return NewFile::Written;
    ::unlink(name.constData());
    reportWriteFailure(error);
    return NewFile::WriteFailed;
}

// Replaces `path` through a temporary file in its folder.
bool replace(const QString& path, const QByteArray& data)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary = QFile::encodeName(QFileInfo(path).absolutePath()) + "/.kestrel-bmp-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        warn(strings::kCannotOpenFile);
        return false;
    }
    struct stat existing;
    if (::stat(name.constData(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
    else
        ::fchmod(fd, 0644);
    int error = 0;
    bool ok = writeAll(fd, data, &error);
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        reportWriteFailure(error);
        return false;
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        ::unlink(temporary.constData());
        warn(strings::kCannotOpenFile);
        return false;
    }
    return true;
}

}  // namespace

PackedDib readBmpFile(const QString& path)
{
    // A pipe or a device would hold the open (and the caller) for ever: only a regular file is read.
    struct stat info;
    QFile file(path);
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(QIODevice::ReadOnly)) {
        warn(strings::kCannotOpenFile);
        return {};
    }
    return readBmpFile(static_cast<QIODevice&>(file));
}

PackedDib readBmpFile(QIODevice& file)
{
    if (!file.seek(0))
        return {};
    const qint64 size = file.size();
    uint8_t fileHeader[kFileHeaderSize];
    if (size < kFileHeaderSize + static_cast<qint64>(kDibHeaderSize)
        || file.read(reinterpret_cast<char*>(fileHeader), kFileHeaderSize) != kFileHeaderSize
        || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return {};
    const std::size_t blockSize = static_cast<std::size_t>(size - kFileHeaderSize);
    PackedDib dib = PackedDib::allocate(blockSize);
    if (!dib) {
        warn(strings::kOutOfMemory);
        return {};
    }
    if (file.read(static_cast<char*>(dib.get()), static_cast<qint64>(blockSize)) != static_cast<qint64>(blockSize))
        return {};
    if (!normalise(dib, blockSize, le32(fileHeader + 10)) || !dib.isValid())
        return {};
    return dib;
}

QString numberedBmpName(const QString& path, int number)
{
    return path.left(path.size() >= 4 ? path.size() - 4 : 0) + QStringLiteral("(%1).bmp").arg(number);
}

bool writeBmpFile(const QString& path, const PackedDib& dib, bool overwrite, QString* writtenPath)
{
    if (!dib.isValid() || path.isEmpty())
        return false;
    const QByteArray data = fileImage(dib);
    if (overwrite) {
        if (!replace(path, data))
            return false;
        if (writtenPath)
            *writtenPath = path;
        return true;
    }
    QString candidate = path;
    for (int number = 1; number <= kMaxNameNumber; ++number) {
        switch (writeNew(candidate, data)) {
        case NewFile::Written:
            if (writtenPath)
                *writtenPath = candidate;
            return true;
        case NewFile::WriteFailed:
            return false;
        case NewFile::CreateFailed:
            warn(strings::kCannotOpenFile);
            return false;
        case NewFile::NameTaken:
            candidate = numberedBmpName(path, number);
            break;
        }
    }
    warn(strings::kCannotOpenFile);
    return false;
}

}  // namespace imaging
