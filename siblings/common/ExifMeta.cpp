#include "ExifMeta.h"

#include "DibScale.h"
#include "dib.h"
#include "jpeg_io.h"
#include "trace.h"

#include <exiv2/exiv2.hpp>

#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

namespace ks {
namespace {

constexpr unsigned char kMarkerSos = 0xDA;
constexpr unsigned char kMarkerEoi = 0xD9;
constexpr unsigned char kMarkerApp0 = 0xE0;
constexpr unsigned char kMarkerApp1 = 0xE1;

// Exiv2 writes warnings to standard error by default; a library must stay quiet. Its XMP parser must be
// set up once before threads use it.
void prepareExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

// Exiv2 0.27 hands images out as deprecated auto_ptrs; they go straight into a unique_ptr.
using ImagePtr = std::unique_ptr<Exiv2::Image>;

ImagePtr openImage(const unsigned char* data, std::size_t size)
{
    prepareExiv2();
    if (!data || size == 0 || size > static_cast<std::size_t>(LONG_MAX))
        return nullptr;
    ImagePtr image(Exiv2::ImageFactory::open(data, static_cast<long>(size)).release());
    if (!image)
        return nullptr;
    const int type = image->imageType();
    if (type != Exiv2::ImageType::jpeg && type != Exiv2::ImageType::tiff)
        return nullptr;
    image->readMetadata();
    return image;
}

std::string asciiTag(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->typeId() != Exiv2::asciiString)
        return {};
    std::string text = it->toString();
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

// Cameras pad names to a fixed field width with blanks.
std::string trimmedRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

long numberTag(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1)
        return 0;
    return it->toLong(0);
}

bool hasExifData(const Exiv2::Image& image)
{
    const Exiv2::ExifData& exif = image.exifData();
    if (image.imageType() == Exiv2::ImageType::tiff)
        return exif.findKey(Exiv2::ExifKey("Exif.Image.ExifTag")) != exif.end();
    return !exif.empty();
}

bool extractBytes(Exiv2::BasicIo& io, std::vector<unsigned char>& out)
{
    if (io.open() != 0)
        return false;
    const long size = io.size();
    if (size <= 0) {
        io.close();
        return false;
    }
    out.resize(static_cast<std::size_t>(size));
    io.seek(0, Exiv2::BasicIo::beg);
    const long got = io.read(out.data(), size);
    io.close();
    return got == size;
}

// Display transforms of the eight orientation values, as 2 x 2 matrices on (x, y) with y pointing down:
// the matrix takes a stored pixel's offset from the centre to its displayed offset.
using Matrix = std::array<int, 4>;  // a b / c d: (x, y) -> (a x + b y, c x + d y)
constexpr std::array<Matrix, 9> kOrientation{{
    {0, 0, 0, 0},    // unused
    {1, 0, 0, 1},    // 1 as stored
    {-1, 0, 0, 1},   // 2 mirrored left to right
    {-1, 0, 0, -1},  // 3 turned 180 degrees
    {1, 0, 0, -1},   // 4 mirrored top to bottom
    {0, 1, 1, 0},    // 5 transposed
    {0, -1, 1, 0},   // 6 turned 90 degrees clockwise
    {0, -1, -1, 0},  // 7 transversed
    {0, 1, -1, 0},   // 8 turned 270 degrees clockwise
}};
constexpr Matrix kQuarterTurnClockwise{0, -1, 1, 0};

Matrix multiply(const Matrix& l, const Matrix& r)
{
    return {l[0] * r[0] + l[1] * r[2], l[0] * r[1] + l[1] * r[3], l[2] * r[0] + l[3] * r[2],
            l[2] * r[1] + l[3] * r[3]};
}

void setUndefined(Exiv2::ExifData& exif, const char* key, const char* bytes)
{
    const std::unique_ptr<Exiv2::Value> value(Exiv2::Value::create(Exiv2::undefined).release());
    value->read(bytes);
    exif.add(Exiv2::ExifKey(key), value.get());
}

void setRational(Exiv2::ExifData& exif, const char* key, int32_t numerator)
{
    exif[key] = Exiv2::URational(static_cast<uint32_t>(numerator), 1);
}

}  // namespace

FileForm sniffForm(const unsigned char* data, std::size_t size)
{
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return FileForm::Jpeg;
    if (size >= 4 && ((std::memcmp(data, "II*\0", 4) == 0) || std::memcmp(data, "MM\0*", 4) == 0))
        return FileForm::Tiff;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return FileForm::Bmp;
    return FileForm::Unknown;
}

JpegSegments scanJpegSegments(const unsigned char* data, std::size_t size)
{
    JpegSegments found;
    if (sniffForm(data, size) != FileForm::Jpeg)
        return found;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            break;
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == kMarkerSos || marker == kMarkerEoi)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
            at += 2;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            break;
        const unsigned char* payload = data + at + 4;
        const std::size_t payloadSize = length - 2;
        if (marker == kMarkerApp0 && payloadSize >= 5 && std::memcmp(payload, "JFIF\0", 5) == 0)
            found.jfif = true;
        if (marker == kMarkerApp1 && payloadSize >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0)
            found.exif = true;
        at += 2 + length;
    }
    return found;
}

bool readExifFacts(const unsigned char* data, std::size_t size, ExifFacts& facts)
{
    facts = ExifFacts{};
    try {
        ImagePtr image = openImage(data, size);
        if (!image)
            return false;
        facts.form = image->imageType() == Exiv2::ImageType::jpeg ? FileForm::Jpeg : FileForm::Tiff;
        facts.realWidth = image->pixelWidth();
        facts.realHeight = image->pixelHeight();
        facts.exif = hasExifData(*image);
        const Exiv2::ExifData& exif = image->exifData();
        const auto version = exif.findKey(Exiv2::ExifKey("Exif.Photo.ExifVersion"));
        if (version != exif.end() && version->count() >= 4) {
            for (int i = 0; i < 4; ++i)
                facts.exifVersion[i] = static_cast<char>(version->toLong(i));
            if (facts.exifVersion[0] >= '0' && facts.exifVersion[0] <= '9' && facts.exifVersion[1] >= '0'
                && facts.exifVersion[1] <= '9')
                facts.exifMajor = (facts.exifVersion[0] - '0') * 10 + (facts.exifVersion[1] - '0');
        }
        const long x = numberTag(exif, "Exif.Photo.PixelXDimension");
        const long y = numberTag(exif, "Exif.Photo.PixelYDimension");
        facts.pixelXDimension = x > 0 && x <= INT32_MAX ? static_cast<int32_t>(x) : 0;
        facts.pixelYDimension = y > 0 && y <= INT32_MAX ? static_cast<int32_t>(y) : 0;
        const long orientation = numberTag(exif, "Exif.Image.Orientation");
        facts.orientation = orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 0;
        facts.dateTimeOriginal = asciiTag(exif, "Exif.Photo.DateTimeOriginal");
        facts.dateTime = asciiTag(exif, "Exif.Image.DateTime");
        facts.make = trimmedRight(asciiTag(exif, "Exif.Image.Make"));
        facts.model = trimmedRight(asciiTag(exif, "Exif.Image.Model"));
        return true;
    } catch (const std::exception& error) {
        ks_trace("Exiv2: %s", error.what());
    } catch (...) {
        ks_trace("Exiv2: unknown failure");
    }
    return false;
}

bool isExifDate(const std::string& text)
{
    static constexpr int kDigitAt[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    if (text.size() < 19)
        return false;
    for (const int at : kDigitAt)
        if (text[at] < '0' || text[at] > '9')
            return false;
    return true;
}

std::string shootingDate(const ExifFacts& facts)
{
    if (isExifDate(facts.dateTimeOriginal))
        return facts.dateTimeOriginal.substr(0, 19);
    if (isExifDate(facts.dateTime))
        return facts.dateTime.substr(0, 19);
    return {};
}

bool readEmbeddedThumbnail(const unsigned char* data, std::size_t size, EmbeddedThumbnail& thumbnail)
{
    thumbnail = EmbeddedThumbnail{};
    try {
        ImagePtr image = openImage(data, size);
        if (!image || !hasExifData(*image))
            return false;
        Exiv2::ExifThumbC reader(image->exifData());
        const std::string mime = reader.mimeType();
        if (mime != "image/jpeg" && mime != "image/tiff")
            return false;
        const Exiv2::DataBuf copy = reader.copy();
        if (copy.size_ <= 0)
            return false;
        thumbnail.data.assign(copy.pData_, copy.pData_ + copy.size_);
        thumbnail.jpeg = mime == "image/jpeg";
        return true;
    } catch (const std::exception& error) {
        ks_trace("Exiv2 thumbnail: %s", error.what());
    } catch (...) {
        ks_trace("Exiv2 thumbnail: unknown failure");
    }
    return false;
}

int composeOrientation(int current, int quarterTurns)
{
    if (current < 1 || current > 8)
        current = 1;
    Matrix turned = kOrientation[static_cast<std::size_t>(current)];
    for (int i = 0; i < ((quarterTurns % 4) + 4) % 4; ++i)
        turned = multiply(kQuarterTurnClockwise, turned);
    for (int value = 1; value <= 8; ++value)
        if (kOrientation[static_cast<std::size_t>(value)] == turned)
            return value;
    return 1;  // unreachable: the eight matrices form a closed group
}

bool rewriteOrientation(const std::vector<unsigned char>& data, int orientation, std::vector<unsigned char>& out)
{
    try {
        ImagePtr image = openImage(data.data(), data.size());
        if (!image || !hasExifData(*image))
            return false;
        image->exifData()["Exif.Image.Orientation"] = static_cast<uint16_t>(orientation);
        image->writeMetadata();
        if (!extractBytes(image->io(), out))
            return false;
    } catch (const std::exception& error) {
        ks_trace("Exiv2 orientation: %s", error.what());
        return false;
    } catch (...) {
        ks_trace("Exiv2 orientation: unknown failure");
        return false;
    }
    // The result replaces the user's picture. A damaged directory (an orientation entry of many
    // values, say) can make Exiv2 write a file that no longer reads: then the original must stay.
    ExifFacts before, after;
    if (!readExifFacts(data.data(), data.size(), before) || !readExifFacts(out.data(), out.size(), after)
        || after.form != before.form || after.orientation != orientation) {
        ks_trace("Exiv2 orientation: the rewritten file does not read back");
        out.clear();
        return false;
    }
    return true;
}

bool buildExifJpeg(const std::vector<unsigned char>& jpeg, int32_t width, int32_t height, const std::string& date,
                   const std::string& shotDate, const std::vector<unsigned char>& thumbnailJpeg,
                   std::vector<unsigned char>& out)
{
    try {
        ImagePtr image = openImage(jpeg.data(), jpeg.size());
        if (!image)
            return false;
        Exiv2::ExifData exif;
        exif["Exif.Image.Orientation"] = static_cast<uint16_t>(1);
        setRational(exif, "Exif.Image.XResolution", 72);
        setRational(exif, "Exif.Image.YResolution", 72);
        exif["Exif.Image.ResolutionUnit"] = static_cast<uint16_t>(2);  // inches
        exif["Exif.Image.DateTime"] = date;
        exif["Exif.Image.YCbCrPositioning"] = static_cast<uint16_t>(1);  // centred
        setUndefined(exif, "Exif.Photo.ExifVersion", "48 50 50 48");  // "0220"
        exif["Exif.Photo.DateTimeOriginal"] = shotDate;
        exif["Exif.Photo.DateTimeDigitized"] = shotDate;
        setUndefined(exif, "Exif.Photo.ComponentsConfiguration", "1 2 3 0");  // Y Cb Cr
        setUndefined(exif, "Exif.Photo.FlashpixVersion", "48 49 48 48");  // "0100"
        exif["Exif.Photo.ColorSpace"] = static_cast<uint16_t>(1);  // sRGB
        exif["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(width);
        exif["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(height);
        Exiv2::ExifThumb thumbnail(exif);
        thumbnail.setJpegThumbnail(thumbnailJpeg.data(), static_cast<long>(thumbnailJpeg.size()));
        image->setExifData(exif);
        image->writeMetadata();
        return extractBytes(image->io(), out);
    } catch (const std::exception& error) {
        ks_trace("Exiv2 output: %s", error.what());
    } catch (...) {
        ks_trace("Exiv2 output: unknown failure");
    }
    return false;
}

bool encodeExifJpeg(const void* dib, int quality, const std::string& date, const std::string& shotDate,
                    std::vector<unsigned char>& out)
{
    // The thumbnail size the DCF rule prescribes; small, so a lower quality serves.
    constexpr int kThumbnailWidth = 160;
    constexpr int kThumbnailHeight = 120;
    constexpr int kThumbnailQuality = 75;
    constexpr int kChroma420 = 1;
    KsDibHeader header;
    if (!ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header))
        return false;
    unsigned char* bytes = nullptr;
    std::size_t size = 0;
    if (ks_jpeg_encode(dib, quality, kChroma420, 0, &bytes, &size) != KS_JPEG_OK)
        return false;
    const std::vector<unsigned char> picture(bytes, bytes + size);
    std::free(bytes);
    void* small = fitDibIntoBox(dib, kThumbnailWidth, kThumbnailHeight);
    const int status = small ? ks_jpeg_encode(small, kThumbnailQuality, kChroma420, 0, &bytes, &size) : KS_JPEG_NO_MEMORY;
    std::free(small);
    if (status != KS_JPEG_OK)
        return false;
    const std::vector<unsigned char> thumbnail(bytes, bytes + size);
    std::free(bytes);
    const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return buildExifJpeg(picture, header.biWidth, height, date, shotDate, thumbnail, out);
}

std::string exifDateNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    return text;
}

}  // namespace ks
