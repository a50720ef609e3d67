// ImgShift's conversions: decode the source by its extension into a packed DIB, then write the target
// form under a name no existing file has.

#include "ImgShift.h"

#include "BmpFile.h"
#include "ExifMeta.h"
#include "FileUtil.h"
#include "TiffRead.h"
#include "dib.h"
#include "jpeg_io.h"
#include "trace.h"

#include "Capline.h"
#include "Vistra32.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Sources larger than this are not pictures from a camera; refusing them bounds the memory used.
constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 30;
// Quality of the JPEG files written: near a camera's "fine" setting.
constexpr int kJpegQuality = 90;
constexpr int kChroma420 = 1;
// TitleDecoder's flags: a 24-bit DIB with smooth glyph edges.
constexpr int32_t kTitleFlags = CAPLINE_FLAG_DIB24 | CAPLINE_FLAG_ANTIALIAS;
// The DV picture options before any SetDvFilter: a 4:3 picture, odd lines rebuilt where they comb, five
// columns dropped at each side (the blanking edges of a DV frame).
constexpr int32_t kDefaultAttributeA = 1;
constexpr int32_t kDefaultAttributesBC = 0;
constexpr ImgShiftRect kDefaultCrop{5, 0, 5, 0};
// Every DV request carries this bit; the decoder ignores it.
constexpr uint32_t kDvRequestBit = 0x4000000;

struct DvSettings {
    int32_t a = kDefaultAttributeA;
    int32_t bc = kDefaultAttributesBC;
    ImgShiftRect crop = kDefaultCrop;
};

std::mutex settingsLock;
DvSettings settings;
// Vistra32 keeps its set-up cache in process-wide variables: its calls must not overlap.
std::mutex dvLock;

// An address inside this very library. An exported function would not do: another copy of the library
// loaded earlier in the process would answer for it.
void ownAnchor() {}

struct Library {
    void* handle = nullptr;
    explicit Library(const char* baseName)
    {
        Dl_info info{};
        std::string file = std::string("lib") + baseName + ".so";
        // Only the own folder: the libraries belong together, and the loader's search path would
        // depend on who happens to call dlopen.
        if (dladdr(reinterpret_cast<void*>(&ownAnchor), &info) && info.dli_fname)
            handle = dlopen((ks::folderOf(info.dli_fname) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~Library()
    {
        if (handle)
            dlclose(handle);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    void* symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }
};

uint32_t dvShape(int32_t a)
{
    switch (a) {
    case 1: return DVCDEC_SHAPE_4_3;
    case 2: return DVCDEC_SHAPE_LETTERBOX;
    case 3: return DVCDEC_SHAPE_16_9;
    default: return DVCDEC_SHAPE_NATIVE;
    }
}

uint32_t dvDeinterlace(int32_t b, int32_t c)
{
    switch (b) {
    case 0: return c == 2 ? DVCDEC_DEINTERLACE_EVEN : c == 0 ? DVCDEC_DEINTERLACE_ODD : 0;
    case 1: return DVCDEC_DEINTERLACE_EVEN;
    case 2: return DVCDEC_DEINTERLACE_ODD;
    case 3: return c == 2 ? DVCDEC_DEINTERLACE_EVEN_ALWAYS : c == 0 ? DVCDEC_DEINTERLACE_ODD_ALWAYS : 0;
    case 4: return DVCDEC_DEINTERLACE_EVEN_ALWAYS;
    case 5: return DVCDEC_DEINTERLACE_ODD_ALWAYS;
    default: return 0;
    }
}

void* decodeDv(const std::vector<unsigned char>& file)
{
    if (file.size() < DVCDEC_HEADER_SIZE)
        return nullptr;
    const uint32_t frameLength = static_cast<uint32_t>(file[12]) << 24 | static_cast<uint32_t>(file[13]) << 16
                                 | static_cast<uint32_t>(file[14]) << 8 | file[15];
    if (frameLength > file.size() || frameLength < DVCDEC_HEADER_SIZE)
        return nullptr;
    DvSettings dv;
    {
        std::lock_guard guard(settingsLock);
        dv = settings;
    }
    Library library("Vistra32");
    auto* decode = reinterpret_cast<uint32_t (*)(const DvDecodeRequest*)>(library.symbol("dvcdec"));
    if (!decode) {
        ks_trace("ImgShift: Vistra32 or dvcdec missing");
        return nullptr;
    }
    auto* output = static_cast<unsigned char*>(std::calloc(1, DVCDEC_OUTPUT_SIZE));
    auto* work = static_cast<unsigned char*>(std::calloc(1, DVCDEC_WORK_AREA_SIZE));
    std::vector<unsigned char> frame(file.begin(), file.begin() + frameLength);
    uint32_t status = 0xFFFF;
    if (output && work) {
        const DvDecodeRequest request{frame.data(), output, work,
                                      kDvRequestBit | dvShape(dv.a) | DVCDEC_FORM_RGB24 | dvDeinterlace(dv.bc >> 8, dv.bc & 0xFF),
                                      DVCDEC_TRIM(dv.crop.top, dv.crop.bottom), DVCDEC_TRIM(dv.crop.left, dv.crop.right)};
        std::lock_guard guard(dvLock);
        status = decode(&request) & 0xFFFF;
    }
    std::free(work);
    KsDibHeader header;
    if (status != DVCDEC_OK || !ks_dib_read_header(output, &header) || !ks_dib_total_bytes(&header)
        || ks_dib_total_bytes(&header) > DVCDEC_OUTPUT_SIZE) {
        ks_trace("ImgShift: dvcdec status %u", status);
        std::free(output);
        return nullptr;
    }
    return output;
}

void* decodeTitle(const std::vector<unsigned char>& file)
{
    Library library("Capline");
    auto* decode = reinterpret_cast<decltype(&TitleDecoder)>(library.symbol("TitleDecoder"));
    if (!decode || file.empty()) {
        ks_trace("ImgShift: Capline or TitleDecoder missing");
        return nullptr;
    }
    // The title decoder takes the file in a block of the C allocator, as the program hands it over.
    void* block = std::malloc(file.size());
    if (!block)
        return nullptr;
    std::memcpy(block, file.data(), file.size());
    void* dib = nullptr;
    int32_t width = 0, height = 0;
    const uint16_t status = decode(block, &dib, &width, &height, kTitleFlags);
    std::free(block);
    return status == CAPLINE_OK ? dib : nullptr;
}

enum class SourceKind { Unknown, Bmp, Jpeg, Tiff, Dv, Title };

SourceKind kindOf(const std::string& path)
{
    if (ks::hasExtension(path, ".bmp")) return SourceKind::Bmp;
    if (ks::hasExtension(path, ".jpg")) return SourceKind::Jpeg;
    if (ks::hasExtension(path, ".tif")) return SourceKind::Tiff;
    if (ks::hasExtension(path, ".dvf")) return SourceKind::Dv;
    if (ks::hasExtension(path, ".ttl")) return SourceKind::Title;
    return SourceKind::Unknown;
}

void* decodeSource(SourceKind kind, const std::vector<unsigned char>& file)
{
    switch (kind) {
    case SourceKind::Bmp: return ks::readBmpMemory(file.data(), file.size(), nullptr);
    case SourceKind::Jpeg: return ks_jpeg_decode_memory(file.data(), file.size(), nullptr);
    case SourceKind::Tiff: return ks::readTiffMemory(file.data(), file.size());
    case SourceKind::Dv: return decodeDv(file);
    case SourceKind::Title: return decodeTitle(file);
    default: return nullptr;
    }
}

bool alreadyInForm(SourceKind kind, int32_t mode, const std::vector<unsigned char>& file, const ks::ExifFacts& facts, bool factsKnown)
{
    if (mode == IMGSHIFT_MODE_BMP && kind == SourceKind::Bmp) {
        void* dib = ks::readBmpMemory(file.data(), file.size(), nullptr);
        KsDibHeader header;
        const bool plain = dib && ks_dib_read_header(dib, &header) && header.biBitCount == 24 && header.biCompression == KS_BI_RGB
                           && header.biClrUsed == 0 && file.size() >= 30 && file[14] == KS_DIB_HEADER_SIZE;
        std::free(dib);
        return plain;
    }
    if (kind == SourceKind::Jpeg && ks::sniffForm(file.data(), file.size()) == ks::FileForm::Jpeg) {
        const bool exif = factsKnown && facts.exif;
        return mode == IMGSHIFT_MODE_EXIF ? exif : mode == IMGSHIFT_MODE_JFIF && !exif;
    }
    return false;
}

// The target file's bytes.
bool encodeTarget(const void* dib, int32_t mode, const std::string& shotDate, std::vector<unsigned char>& out)
{
    if (mode == IMGSHIFT_MODE_BMP) {
        void* plain = ks::convertDibTo24(dib);
        const std::string image = plain ? ks::bmpFileImage(plain) : std::string();
        std::free(plain);
        out.assign(image.begin(), image.end());
        return !out.empty();
    }
    if (mode == IMGSHIFT_MODE_EXIF) {
        const std::string now = ks::exifDateNow();
        return ks::encodeExifJpeg(dib, kJpegQuality, now, shotDate.empty() ? now : shotDate, out);
    }
    unsigned char* bytes = nullptr;
    std::size_t size = 0;
    if (ks_jpeg_encode(dib, kJpegQuality, kChroma420, 1, &bytes, &size) != KS_JPEG_OK)
        return false;
    out.assign(bytes, bytes + size);
    std::free(bytes);
    return true;
}

}  // namespace

extern "C" IMGSHIFT_API void SetDvFilter(int32_t attributeA, int32_t attributesBC, ImgShiftRect crop)
{
    std::lock_guard guard(settingsLock);
    settings = DvSettings{attributeA, attributesBC, crop};
}

extern "C" IMGSHIFT_API uint16_t _ImageConvert(const char* source, char* output, int32_t mode)
{
    if (!source || !output || mode < IMGSHIFT_MODE_BMP || mode > IMGSHIFT_MODE_JFIF)
        return IMGSHIFT_FAILED;
    const std::string sourcePath = source;
    const SourceKind kind = kindOf(sourcePath);
    std::vector<unsigned char> file;
    if (kind == SourceKind::Unknown || !ks::readWholeFile(sourcePath, file, kMaxSourceBytes))
        return IMGSHIFT_FAILED;
    ks::ExifFacts facts;
    const bool factsKnown = (kind == SourceKind::Jpeg || kind == SourceKind::Tiff) && ks::readExifFacts(file.data(), file.size(), facts);
    if (alreadyInForm(kind, mode, file, facts, factsKnown))
        return IMGSHIFT_ALREADY;

    void* dib = decodeSource(kind, file);
    if (!dib) {
        ks_trace("_ImageConvert: %s cannot be decoded", source);
        return IMGSHIFT_FAILED;
    }
    std::vector<unsigned char> target;
    const bool encoded = encodeTarget(dib, mode, factsKnown && facts.exif ? ks::shootingDate(facts) : std::string(), target);
    std::free(dib);
    if (!encoded)
        return IMGSHIFT_FAILED;

    const std::string extension = mode == IMGSHIFT_MODE_BMP ? ".bmp" : ".jpg";
    const std::size_t given = strnlen(output, IMGSHIFT_PATH_SIZE);
    const std::string wanted = given > 0 && given < IMGSHIFT_PATH_SIZE ? std::string(output, given)
                                                                       : ks::replaceLastFour(sourcePath, extension);
    const std::string written = ks::writeUniqueFile(wanted, wanted.size() >= 4 ? wanted.substr(wanted.size() - 4) : extension,
                                                    target.data(), target.size());
    if (written.empty())
        return IMGSHIFT_FAILED;
    if (written.size() >= IMGSHIFT_PATH_SIZE) {
        std::remove(written.c_str());
        return IMGSHIFT_FAILED;
    }
    std::memcpy(output, written.c_str(), written.size() + 1);
    return IMGSHIFT_OK;
}
