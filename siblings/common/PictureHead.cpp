#include "PictureHead.h"

#include "regular_file.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <set>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {
namespace {

constexpr unsigned char kMarkerSoi = 0xD8;
constexpr unsigned char kMarkerEoi = 0xD9;
constexpr unsigned char kMarkerSos = 0xDA;
constexpr unsigned char kMarkerApp0 = 0xE0;
constexpr unsigned char kMarkerApp1 = 0xE1;
constexpr std::size_t kSniffBytes = 4;
constexpr std::size_t kExifHeaderBytes = 6;  // "Exif\0\0" before the TIFF header
// A thumbnail outside its segment is bounded by what no camera's thumbnail reaches, so that a lying
// length cannot make the reader take in a whole movie-sized file.
constexpr uint32_t kMaxThumbnailBytes = 1u << 20;
constexpr uint16_t kTagThumbnailOffset = 0x0201;  // JPEGInterchangeFormat
constexpr uint16_t kTagThumbnailLength = 0x0202;  // JPEGInterchangeFormatLength
constexpr std::size_t kIfdEntryBytes = 12;

// Closes the descriptor when the reading is done, whichever way it ends.
class File {
public:
    explicit File(const std::string& path) : fd_(ks_open_regular(path.c_str())) {}
    ~File()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool ok() const { return fd_ >= 0; }

    uint64_t size() const
    {
        struct stat info;
        return ::fstat(fd_, &info) == 0 && info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    }

    // Exactly `length` bytes at `position`, or false.
    bool readAt(uint64_t position, void* buffer, std::size_t length) const
    {
        auto* bytes = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t got = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(position + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
};

bool isFrameHeader(unsigned char marker)
{
    // SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void appendSegment(std::vector<unsigned char>& image, unsigned char marker, const std::vector<unsigned char>& payload)
{
    const std::size_t length = payload.size() + 2;
    image.insert(image.end(), {0xFF, marker, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)});
    image.insert(image.end(), payload.begin(), payload.end());
}

// Walks the marker segments of a JPEG up to its first scan, reading only the payloads it keeps.
void readJpegHead(const File& file, PictureHead& head)
{
    std::vector<unsigned char> frameHeader;
    unsigned char frameMarker = 0;
    uint64_t at = 2;
    for (;;) {
        unsigned char marker[2];
        if (!file.readAt(at, marker, sizeof marker) || marker[0] != 0xFF)
            break;
        if (marker[1] == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (marker[1] == kMarkerSos || marker[1] == kMarkerEoi)
            break;
        if (marker[1] == 0x01 || (marker[1] >= 0xD0 && marker[1] <= 0xD7)) {  // markers without a length
            at += 2;
            continue;
        }
        unsigned char lengthBytes[2];
        if (!file.readAt(at + 2, lengthBytes, sizeof lengthBytes))
            break;
        const std::size_t length = static_cast<std::size_t>(lengthBytes[0]) << 8 | lengthBytes[1];
        if (length < 2 || at + 2 + length > head.fileSize)
            break;
        const uint64_t payloadAt = at + 4;
        const std::size_t payloadSize = length - 2;
        const bool app0 = marker[1] == kMarkerApp0 && !head.jfif && payloadSize >= 5;
        const bool app1 = marker[1] == kMarkerApp1 && !head.exifSegment && payloadSize >= kExifHeaderBytes;
        if (app0) {
            unsigned char id[5];
            head.jfif = file.readAt(payloadAt, id, sizeof id) && std::memcmp(id, "JFIF\0", 5) == 0;
        } else if (app1) {
            unsigned char id[kExifHeaderBytes];
            if (file.readAt(payloadAt, id, sizeof id) && std::memcmp(id, "Exif\0\0", kExifHeaderBytes) == 0) {
                head.exifPayload.resize(payloadSize);
                if (!file.readAt(payloadAt, head.exifPayload.data(), payloadSize)) {
                    head.exifPayload.clear();
                    break;
                }
                head.exifSegment = true;
                head.exifPayloadAt = payloadAt;
            }
        } else if (isFrameHeader(marker[1]) && frameHeader.empty()) {
            frameHeader.resize(payloadSize);
            if (!file.readAt(payloadAt, frameHeader.data(), payloadSize)) {
                frameHeader.clear();
                break;
            }
            frameMarker = marker[1];
            // The frame header comes after the segments a metadata reader looks at, in every file that
            // keeps to the Exif rule; one that does not is still searched for its Exif segment.
            if (head.exifSegment)
                break;
        }
        at += 2 + length;
    }
    head.image = {0xFF, kMarkerSoi};
    if (head.exifSegment)
        appendSegment(head.image, kMarkerApp1, head.exifPayload);
    if (!frameHeader.empty())
        appendSegment(head.image, frameMarker, frameHeader);
    head.image.insert(head.image.end(), {0xFF, kMarkerEoi});
}

uint16_t tiff16(const unsigned char* at, bool bigEndian)
{
    return bigEndian ? static_cast<uint16_t>(at[0] << 8 | at[1]) : static_cast<uint16_t>(at[1] << 8 | at[0]);
}

uint32_t tiff32(const unsigned char* at, bool bigEndian)
{
    return bigEndian ? static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16
                           | static_cast<uint32_t>(at[2]) << 8 | at[3]
                     : static_cast<uint32_t>(at[3]) << 24 | static_cast<uint32_t>(at[2]) << 16
                           | static_cast<uint32_t>(at[1]) << 8 | at[0];
}

// The offset of the next directory after the one at `ifd` inside the TIFF data, 0 when there is none or
// the directory does not fit.
uint32_t nextIfd(const unsigned char* tiff, std::size_t size, uint32_t ifd, bool bigEndian)
{
    if (ifd < 8 || size < 2 || ifd > size - 2)
        return 0;
    const std::size_t count = tiff16(tiff + ifd, bigEndian);
    const std::size_t link = ifd + 2 + count * kIfdEntryBytes;
    return link + 4 <= size ? tiff32(tiff + link, bigEndian) : 0;
}

// A LONG or SHORT value of one tag in the directory at `ifd`.
bool ifdValue(const unsigned char* tiff, std::size_t size, uint32_t ifd, bool bigEndian, uint16_t tag, uint32_t& value)
{
    constexpr uint16_t kTypeShort = 3;
    constexpr uint16_t kTypeLong = 4;
    if (ifd < 8 || size < 2 || ifd > size - 2)
        return false;
    const std::size_t count = tiff16(tiff + ifd, bigEndian);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + i * kIfdEntryBytes;
        if (entry + kIfdEntryBytes > size)
            return false;
        if (tiff16(tiff + entry, bigEndian) != tag || tiff32(tiff + entry + 4, bigEndian) != 1)
            continue;
        const uint16_t type = tiff16(tiff + entry + 2, bigEndian);
        if (type == kTypeLong)
            value = tiff32(tiff + entry + 8, bigEndian);
        else if (type == kTypeShort)
            value = tiff16(tiff + entry + 8, bigEndian);
        else
            return false;
        return true;
    }
    return false;
}

// TIFF tags whose value links another directory.
constexpr uint16_t kTagSubIfds = 0x014A;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagGpsIfd = 0x8825;
constexpr uint16_t kTagInteropIfd = 0xA005;
constexpr uint16_t kTagStripOffsets = 0x0111;
constexpr uint16_t kTagStripByteCounts = 0x0117;
// Bounds on what a TIFF's directories may make the reader take in: real files have a handful of
// directories with a few kilobytes of values; a damaged or hostile one is cut off here.
constexpr std::size_t kMaxDirectories = 64;
constexpr std::size_t kMaxEntries = 1024;
constexpr uint64_t kMaxValueBytes = 1u << 20;
constexpr uint64_t kMaxTiffMetadataBytes = 16u << 20;

std::size_t typeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                  // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4;  // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: return 8;          // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

// Reads the directories of a TIFF into its sparse image.
class TiffDirectoryReader {
public:
    TiffDirectoryReader(const File& file, SparseImage& image) : file_(file), image_(image) {}

    void read()
    {
        if (!load(0, 8))
            return;
        const unsigned char* header = image_.data();
        big_ = header[0] == 'M';
        // The main chain: IFD0 (the picture), IFD1 (its thumbnail), rarely more.
        uint32_t ifd = tiff32(header + 4, big_);
        for (int index = 0; ifd && directories_ < kMaxDirectories; ++index)
            ifd = readDirectory(ifd, index == 1);
        while (!pending_.empty() && directories_ < kMaxDirectories) {
            const uint32_t linked = *pending_.begin();
            pending_.erase(pending_.begin());
            readDirectory(linked, false);
        }
    }

private:
    // Copies file bytes [offset, offset + length) into the image. False when they do not lie in the file
    // or the budget is spent.
    bool load(uint64_t offset, uint64_t length)
    {
        if (length == 0 || offset > image_.size() || length > image_.size() - offset || length > kMaxValueBytes
            || spent_ + length > kMaxTiffMetadataBytes)
            return false;
        spent_ += length;
        return file_.readAt(offset, image_.data() + offset, static_cast<std::size_t>(length));
    }

    uint32_t value32(uint64_t at, uint16_t type) const
    {
        return type == 3 ? tiff16(image_.data() + at, big_) : tiff32(image_.data() + at, big_);
    }

    // Loads one directory, its values and (for a thumbnail directory) the thumbnail's data, and notes
    // the directories it links. Returns the next directory of its chain, 0 at the end.
    uint32_t readDirectory(uint32_t ifd, bool thumbnail)
    {
        if (ifd < 8 || !visited_.insert(ifd).second || !load(ifd, 2))
            return 0;
        ++directories_;
        const std::size_t count = tiff16(image_.data() + ifd, big_);
        if (count == 0 || count > kMaxEntries || !load(uint64_t{ifd} + 2, count * kIfdEntryBytes))
            return 0;
        uint64_t thumbnailAt = 0, thumbnailLength = 0;
        uint64_t stripsAt = 0, stripCount = 0, countsAt = 0;
        uint16_t stripsType = 0, countsType = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const uint64_t entry = uint64_t{ifd} + 2 + i * kIfdEntryBytes;
            const unsigned char* bytes = image_.data() + entry;
            const uint16_t tag = tiff16(bytes, big_);
            const uint16_t type = tiff16(bytes + 2, big_);
            const uint64_t values = tiff32(bytes + 4, big_);
            const uint64_t size = values * typeSize(type);
            uint64_t at = entry + 8;  // values of up to 4 bytes sit in the entry itself
            if (size > 4) {
                at = tiff32(bytes + 8, big_);
                if (!load(at, size))
                    continue;
            }
            if (size == 0)
                continue;
            if (tag == kTagExifIfd || tag == kTagGpsIfd || tag == kTagInteropIfd || tag == kTagSubIfds) {
                const std::size_t each = typeSize(type);
                if (each == 2 || each == 4)
                    for (uint64_t v = 0; v < values && v < kMaxDirectories; ++v)
                        pending_.insert(value32(at + v * each, type));
            } else if (thumbnail && tag == kTagThumbnailOffset && values == 1) {
                thumbnailAt = value32(at, type);
            } else if (thumbnail && tag == kTagThumbnailLength && values == 1) {
                thumbnailLength = value32(at, type);
            } else if (thumbnail && tag == kTagStripOffsets && (type == 3 || type == 4)) {
                stripsAt = at, stripCount = values, stripsType = type;
            } else if (thumbnail && tag == kTagStripByteCounts && (type == 3 || type == 4)) {
                countsAt = at, countsType = type;
                stripCount = stripCount ? std::min(stripCount, values) : values;
            }
        }
        if (thumbnailAt && thumbnailLength)
            load(thumbnailAt, thumbnailLength);
        if (stripsType && countsType)
            for (uint64_t strip = 0; strip < stripCount; ++strip)
                load(value32(stripsAt + strip * typeSize(stripsType), stripsType),
                     value32(countsAt + strip * typeSize(countsType), countsType));
        // A last directory may end the file without its (zero) link.
        const uint64_t link = uint64_t{ifd} + 2 + count * kIfdEntryBytes;
        return load(link, 4) ? tiff32(image_.data() + link, big_) : 0;
    }

    const File& file_;
    SparseImage& image_;
    bool big_ = false;
    std::size_t directories_ = 0;
    uint64_t spent_ = 0;
    std::set<uint32_t> visited_;
    std::set<uint32_t> pending_;
};

}  // namespace

SparseImage::~SparseImage()
{
    if (data_)
        ::munmap(data_, size_);
}

bool SparseImage::allocate(std::size_t size)
{
    if (data_ || size == 0)
        return false;
    // Anonymous pages read as zeros and take memory only once written.
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return false;
    data_ = static_cast<unsigned char*>(block);
    size_ = size;
    return true;
}

HeadStatus readPictureHead(const std::string& path, std::size_t maxTiffBytes, PictureHead& head)
{
    const File file(path);
    if (!file.ok())
        return HeadStatus::OpenFailed;
    head.fileSize = file.size();
    unsigned char start[kSniffBytes] = {};
    const std::size_t sniffed = head.fileSize < kSniffBytes ? static_cast<std::size_t>(head.fileSize) : kSniffBytes;
    if (!file.readAt(0, start, sniffed))
        return HeadStatus::OpenFailed;
    head.form = sniffForm(start, sniffed);
    if (head.form == FileForm::Jpeg) {
        readJpegHead(file, head);
        return HeadStatus::Ok;
    }
    if (head.form == FileForm::Bmp || head.form == FileForm::Unknown) {
        head.image.assign(start, start + sniffed);  // the form is all there is to know
        return HeadStatus::Ok;
    }
    if (head.fileSize > maxTiffBytes)
        return HeadStatus::TooLarge;
    if (!head.tiff.allocate(static_cast<std::size_t>(head.fileSize)))
        return HeadStatus::OpenFailed;
    TiffDirectoryReader(file, head.tiff).read();
    return HeadStatus::Ok;
}

bool readThumbnailPastSegment(const std::string& path, const PictureHead& head, std::vector<unsigned char>& thumbnail)
{
    if (head.form != FileForm::Jpeg || !head.exifSegment || head.exifPayload.size() < kExifHeaderBytes + 8)
        return false;
    const unsigned char* tiff = head.exifPayload.data() + kExifHeaderBytes;
    const std::size_t size = head.exifPayload.size() - kExifHeaderBytes;
    const bool bigEndian = std::memcmp(tiff, "MM\0*", 4) == 0;
    if (!bigEndian && std::memcmp(tiff, "II*\0", 4) != 0)
        return false;
    const uint32_t ifd1 = nextIfd(tiff, size, tiff32(tiff + 4, bigEndian), bigEndian);
    uint32_t offset = 0;
    uint32_t length = 0;
    if (!ifdValue(tiff, size, ifd1, bigEndian, kTagThumbnailOffset, offset)
        || !ifdValue(tiff, size, ifd1, bigEndian, kTagThumbnailLength, length) || length < 4
        || length > kMaxThumbnailBytes)
        return false;
    // Inside the segment the metadata reader has already looked; only what runs past it is news.
    if (static_cast<uint64_t>(offset) + length <= size)
        return false;
    const uint64_t position = head.exifPayloadAt + kExifHeaderBytes + offset;
    if (position + length > head.fileSize)
        return false;
    const File file(path);
    if (!file.ok())
        return false;
    thumbnail.resize(length);
    if (!file.readAt(position, thumbnail.data(), length) || thumbnail[0] != 0xFF || thumbnail[1] != kMarkerSoi) {
        thumbnail.clear();
        return false;
    }
    return true;
}

}  // namespace ks
