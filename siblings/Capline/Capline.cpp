// Title cards. The text is laid out simply, line by line with each glyph's advance (no kerning, no
// shaping): titles are a few words, and CJK and Latin text need nothing more.

#include "Capline.h"

#include "FileUtil.h"
#include "dib.h"
#include "trace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Automatic sizes: the largest that keeps every line within this share of the card's width, and no
// larger than a sixth of its height; never below the smallest size that is still legible.
constexpr int kWidthShareNumerator = 9;
constexpr int kWidthShareDenominator = 10;
constexpr int kHeightDivisor = 6;
constexpr int kSmallestSize = 6;
// Left- and right-aligned lines keep this share of the width free at their edge (one twentieth).
constexpr int kMarginDivisor = 20;
constexpr char32_t kReplacement = 0xFFFD;

struct Title {
    int width = 0;
    int height = 0;
    uint8_t background[3] = {};
    uint8_t foreground[3] = {};
    int alignment = 0;
    int fontSize = 0;
    std::vector<std::u32string> lines;
};

uint32_t be16(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

uint32_t be32(const unsigned char* p)
{
    return be16(p) << 16 | be16(p + 2);
}

// UTF-8 to code points; a malformed, overlong or surrogate sequence becomes one U+FFFD.
std::u32string decodeUtf8(const unsigned char* text, std::size_t size)
{
    std::u32string out;
    std::size_t at = 0;
    while (at < size) {
        const unsigned char lead = text[at];
        int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && at + static_cast<std::size_t>(length) <= size;
        for (int i = 1; valid && i < length; ++i) {
            valid = (text[at + i] & 0xC0) == 0x80;
            code = code << 6 | (text[at + i] & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        out.push_back(valid ? code : kReplacement);
        at += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

uint16_t parse(const unsigned char* data, std::size_t available, Title& title)
{
    if (available < CAPLINE_HEADER_SIZE)
        return CAPLINE_TRUNCATED;
    if (std::memcmp(data, "TTL ", 4) != 0 || std::memcmp(data + 4, "1.00", 4) != 0)
        return CAPLINE_BAD_HEADER;
    title.width = static_cast<int>(be16(data + 8));
    title.height = static_cast<int>(be16(data + 10));
    const uint32_t total = be32(data + 12);
    std::memcpy(title.background, data + 16, 3);
    std::memcpy(title.foreground, data + 19, 3);
    title.alignment = data[22];
    const uint32_t textLength = be16(data + 24);
    title.fontSize = static_cast<int>(be16(data + 26));
    if (title.width < 1 || title.width > CAPLINE_MAX_SIDE || title.height < 1 || title.height > CAPLINE_MAX_SIDE
        || title.alignment > 2 || textLength > CAPLINE_MAX_TEXT || total != CAPLINE_HEADER_SIZE + textLength)
        return CAPLINE_BAD_HEADER;
    if (available < total)
        return CAPLINE_TRUNCATED;
    // A glyph taller than the card shows nothing useful and costs much to render.
    title.fontSize = std::min(title.fontSize, title.height);
    const std::u32string text = decodeUtf8(data + CAPLINE_HEADER_SIZE, textLength);
    std::u32string line;
    for (const char32_t c : text) {
        if (c == U'\n') {
            title.lines.push_back(line);
            line.clear();
        } else if (c >= 0x20 && c != 0x7F) {
            line.push_back(c);
        }
    }
    title.lines.push_back(line);
    return CAPLINE_OK;
}

struct FontFile {
    std::string path;
    int index = 0;
};

// The face fontconfig picks for Japanese text, looked up once per process.
const FontFile& titleFont()
{
    static FontFile font;
    static std::once_flag once;
    std::call_once(once, [] {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAPGothic:lang=ja"));
        if (!pattern)
            return;
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match)
            return;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            font.path = reinterpret_cast<const char*>(file);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
                font.index = index;
        }
        FcPatternDestroy(match);
    });
    return font;
}

int lineWidth(FT_Face face, const std::u32string& line)
{
    long width = 0;
    for (const char32_t c : line)
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0)
            width += face->glyph->advance.x >> 6;
    return static_cast<int>(std::min<long>(width, INT32_MAX));
}

int widestLine(FT_Face face, const Title& title)
{
    int widest = 0;
    for (const auto& line : title.lines)
        widest = std::max(widest, lineWidth(face, line));
    return widest;
}

// The largest pixel size at which every line fits; widths grow with the size, so a bisection finds it.
int automaticSize(FT_Face face, const Title& title)
{
    const int limit = title.width * kWidthShareNumerator / kWidthShareDenominator;
    int low = kSmallestSize, high = std::max(kSmallestSize, title.height / kHeightDivisor);
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(middle)) == 0 && widestLine(face, title) <= limit)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

class Canvas {
public:
    Canvas(unsigned char* dib, int width, int height)
        : pixels_(dib + KS_DIB_HEADER_SIZE), stride_(ks_dib_stride(width, 24)), width_(width), height_(height)
    {
    }

    void fill(const uint8_t rgb[3])
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                set(x, y, rgb);
    }

    // Mixes `rgb` into the pixel by coverage 0..255.
    void blend(int x, int y, const uint8_t rgb[3], unsigned coverage)
    {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage == 0)
            return;
        unsigned char* p = at(x, y);
        for (int c = 0; c < 3; ++c) {
            const int old = p[2 - c];
            p[2 - c] = static_cast<unsigned char>(old + (static_cast<int>(rgb[c]) - old) * static_cast<int>(coverage) / 255);
        }
    }

private:
    unsigned char* at(int x, int y) { return pixels_ + static_cast<std::size_t>(height_ - 1 - y) * stride_ + static_cast<std::size_t>(x) * 3; }
    void set(int x, int y, const uint8_t rgb[3])
    {
        unsigned char* p = at(x, y);
        p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
    }

    unsigned char* pixels_;
    std::size_t stride_;
    int width_, height_;
};

void drawGlyph(Canvas& canvas, const FT_GlyphSlot glyph, int left, int top, const uint8_t rgb[3])
{
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            unsigned coverage = 0;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                coverage = (line[column / 8] >> (7 - column % 8)) & 1 ? 255 : 0;
            else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                coverage = bitmap.num_grays > 1 ? line[column] * 255u / (bitmap.num_grays - 1u) : 0;
            canvas.blend(left + static_cast<int>(column), top + static_cast<int>(row), rgb, coverage);
        }
    }
}

uint16_t render(const Title& title, bool antialias, unsigned char* dib)
{
    Canvas canvas(dib, title.width, title.height);
    canvas.fill(title.background);
    const FontFile& font = titleFont();
    if (font.path.empty())
        return CAPLINE_NO_FONT;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return CAPLINE_NO_MEMORY;
    FT_Face face = nullptr;
    uint16_t status = CAPLINE_OK;
    if (FT_New_Face(library, font.path.c_str(), font.index, &face) != 0) {
        ks_trace("Capline: cannot open font %s", font.path.c_str());
        status = CAPLINE_NO_FONT;
    } else {
        const int size = title.fontSize > 0 ? title.fontSize : automaticSize(face, title);
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
        const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
        const int lineHeight = std::max(1, static_cast<int>(face->size->metrics.height >> 6));
        const long blockHeight = static_cast<long>(lineHeight) * static_cast<long>(title.lines.size());
        const long top = (title.height - blockHeight) / 2;
        const int margin = title.width / kMarginDivisor;
        const FT_Int32 loadFlags = FT_LOAD_RENDER | (antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
        for (std::size_t i = 0; i < title.lines.size(); ++i) {
            const long baseline = top + static_cast<long>(i) * lineHeight + ascender;
            if (baseline - ascender >= title.height)
                break;
            const int width = lineWidth(face, title.lines[i]);
            long pen = title.alignment == 1 ? margin
                       : title.alignment == 2 ? title.width - margin - width
                                              : (title.width - width) / 2;
            for (const char32_t c : title.lines[i]) {
                if (pen >= title.width)
                    break;
                if (FT_Load_Char(face, c, loadFlags) != 0)
                    continue;
                const FT_GlyphSlot glyph = face->glyph;
                drawGlyph(canvas, glyph, static_cast<int>(pen + glyph->bitmap_left),
                          static_cast<int>(baseline - glyph->bitmap_top), title.foreground);
                pen += glyph->advance.x >> 6;
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return status;
}

}  // namespace

extern "C" CAPLINE_API uint16_t TitleDecoder(const void* block, void** dib, int32_t* width, int32_t* height, int32_t flags)
{
    if (!block || !dib || !(flags & CAPLINE_FLAG_DIB24))
        return CAPLINE_BAD_ARGUMENT;
    Title title;
    const uint16_t parsed = parse(static_cast<const unsigned char*>(block), malloc_usable_size(const_cast<void*>(block)), title);
    if (parsed != CAPLINE_OK)
        return parsed;
    auto* out = static_cast<unsigned char*>(ks_dib_create(title.width, title.height, 24, 0));
    if (!out)
        return CAPLINE_NO_MEMORY;
    const uint16_t status = render(title, (flags & CAPLINE_FLAG_ANTIALIAS) != 0, out);
    if (status != CAPLINE_OK) {
        std::free(out);
        return status;
    }
    *dib = out;
    if (width)
        *width = title.width;
    if (height)
        *height = title.height;
    return CAPLINE_OK;
}

extern "C" CAPLINE_API uint16_t TitleEncoder(const char* path, const CaplineTitle* title)
{
    if (!path || !*path || !title || !title->text)
        return CAPLINE_BAD_ARGUMENT;
    const std::size_t textLength = std::strlen(title->text);
    if (title->width < 1 || title->width > CAPLINE_MAX_SIDE || title->height < 1 || title->height > CAPLINE_MAX_SIDE
        || title->alignment > 2 || textLength > CAPLINE_MAX_TEXT)
        return CAPLINE_BAD_ARGUMENT;
    std::vector<unsigned char> file(CAPLINE_HEADER_SIZE + textLength, 0);
    auto put16 = [&](std::size_t at, uint32_t v) {
        file[at] = static_cast<unsigned char>(v >> 8);
        file[at + 1] = static_cast<unsigned char>(v);
    };
    std::memcpy(file.data(), "TTL 1.00", 8);
    put16(8, title->width);
    put16(10, title->height);
    put16(12, static_cast<uint32_t>(file.size() >> 16));
    put16(14, static_cast<uint32_t>(file.size() & 0xFFFF));
    std::memcpy(file.data() + 16, title->background, 3);
    std::memcpy(file.data() + 19, title->foreground, 3);
    file[22] = title->alignment;
    put16(24, static_cast<uint32_t>(textLength));
    put16(26, title->fontSize);
    std::memcpy(file.data() + CAPLINE_HEADER_SIZE, title->text, textLength);
    return ks::replaceFile(path, file.data(), file.size()) ? CAPLINE_OK : CAPLINE_WRITE_FAILED;
}
