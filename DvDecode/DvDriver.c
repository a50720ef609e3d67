/*
 * The export: checks the frame file header, runs the decoder core into the caller's output
 * buffer, reshapes the picture and puts the bitmap header in front.
 *
 * Everything that could make the request write outside the caller's buffers is settled before
 * the core writes anything: the scale, shape and pixel form must be known, trims are taken as
 * non-negative and must leave at least one pixel, and the data offset must be the header size.
 */
#include <string.h>

#include "DvCore.h"
#include "DvReshape.h"
#include "Vistra32.h"

#define DV_BITMAP_HEADER_BYTES 40
/* A picture that is reshaped is decoded at the end of the output buffer and reshaped towards its
 * start, straight behind the bitmap header: as long as the decoded picture starts at least one
 * output row past the header, output lines never get ahead of the source lines they read, so no
 * temporary block and no final move are needed. The picture keeps a little slack behind it and
 * starts at a 32-byte offset. */
#define DV_SOURCE_MARGIN 64
#define DV_SOURCE_ALIGN 32
_Static_assert(((DVCDEC_OUTPUT_SIZE - 3 * DV_WIDTH * DV_HEIGHT_625 - DV_SOURCE_MARGIN) & ~(DV_SOURCE_ALIGN - 1)) >=
                   DV_BITMAP_HEADER_BYTES + 3 * DV_WIDTH,
               "no room to reshape a full-size 625/50 picture towards the start of the buffer");
#define DV_BITS_PER_PIXEL 24
/* The core mode bit the export always sets; the core ignores it. */
#define DV_CORE_EXPORT_FLAG 0x10000u

/* Decoded and target sizes per scale. */
typedef struct SizeRow {
    int32_t width;
    int32_t height525, height625;
    int32_t width43For525, height43For625;
    int32_t height169For525, height169For625;
    int32_t band525, band625;
} SizeRow;

static const SizeRow kSizes[4] = {
    {720, 480, 576, 640, 540, 360, 405, 365, 432},
    {360, 240, 288, 320, 275, 180, 202, 182, 216},
    {180, 120, 144, 160, 135, 90, 101, 91, 108},
    {88, 60, 72, 80, 67, 45, 50, 45, 54},
};

int gDvReferenceResample;

static uint32_t ReadBE32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static void WriteLE32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

static void WriteLE16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

/* The header checks, in order; sets *is525 from the system tag. */
static int HeaderValid(const uint8_t *in, int *is525)
{
    if (memcmp(in, "DVF ", 4) != 0 || memcmp(in + 4, "1.00", 4) != 0)
        return 0;
    if (memcmp(in + 8, "SD5", 3) == 0)
        *is525 = 1;
    else if (memcmp(in + 8, "SD6", 3) == 0)
        *is525 = 0;
    else
        return 0;
    if (in[11] != 0)
        return 0;
    if (ReadBE32(in + 12) != (*is525 ? DVCDEC_FILE_SIZE_525 : DVCDEC_FILE_SIZE_625))
        return 0;
    if (ReadBE32(in + 16) != (uint32_t)(*is525 ? DV_FRAME_BYTES_525 : DV_FRAME_BYTES_625))
        return 0;
    /* The frame data must follow the header directly: any other offset would point outside the
     * frame file the caller vouched for. */
    return ReadBE32(in + 20) == DVCDEC_HEADER_SIZE;
}

static int ScaleIndex(uint32_t scale)
{
    switch (scale) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    default: return -1;
    }
}

static int32_t Trim(uint32_t field, int high)
{
    int32_t v = (int16_t)(uint16_t)(high ? field >> 16 : field & 0xFFFF);
    return v < 0 ? 0 : v;
}

static void WriteBitmapHeader(uint8_t *out, int32_t width, int32_t height)
{
    memset(out, 0, DV_BITMAP_HEADER_BYTES);
    WriteLE32(out, DV_BITMAP_HEADER_BYTES);
    WriteLE32(out + 4, (uint32_t)width);
    WriteLE32(out + 8, (uint32_t)height);
    WriteLE16(out + 12, 1);
    WriteLE16(out + 14, DV_BITS_PER_PIXEL);
    WriteLE32(out + 20, (uint32_t)(DvRowBytes(width) * height));
}

uint32_t dvcdec(const DvDecodeRequest *request)
{
    if (!request || !request->input)
        return DVCDEC_BAD_HEADER;
    const uint32_t mode = request->mode;
    uint32_t scale = mode & DVCDEC_SCALE_MASK;
    scale = scale ? scale : 1;
    uint32_t form = mode & DVCDEC_FORM_MASK;
    form = form ? form : DVCDEC_FORM_RGB24;
    const uint32_t deinterlace = mode & DVCDEC_DEINTERLACE_MASK;
    const uint32_t shape = mode & DVCDEC_SHAPE_MASK;

    int is525 = 0;
    if (!HeaderValid(request->input, &is525))
        return DVCDEC_BAD_HEADER;

    const int scaleIndex = ScaleIndex(scale);
    /* Reshaping and the bitmap header know 24-bit pixels only. */
    if (scaleIndex < 0 || form != DVCDEC_FORM_RGB24 || !request->output || !request->workArea)
        return DVCDEC_REFUSED;

    const SizeRow *row = &kSizes[scaleIndex];
    const int32_t width = row->width, height = is525 ? row->height525 : row->height625;
    int32_t targetWidth = width, targetHeight = height, sourceHeight = height;
    switch (shape) {
    case DVCDEC_SHAPE_NONE:
    case DVCDEC_SHAPE_NATIVE:
        break;
    case DVCDEC_SHAPE_4_3:
        if (is525)
            targetWidth = row->width43For525;
        else
            targetHeight = row->height43For625;
        break;
    case DVCDEC_SHAPE_16_9:
    case DVCDEC_SHAPE_LETTERBOX:
        if (is525) {
            targetWidth = row->width43For525;
            targetHeight = row->height169For525;
        } else {
            targetHeight = row->height169For625;
        }
        if (shape == DVCDEC_SHAPE_LETTERBOX)
            sourceHeight = is525 ? row->band525 : row->band625;
        break;
    default:
        return DVCDEC_REFUSED;
    }

    const int32_t top = Trim(request->verticalTrim, 0), bottom = Trim(request->verticalTrim, 1);
    const int32_t left = Trim(request->horizontalTrim, 0), right = Trim(request->horizontalTrim, 1);
    if (left + right >= targetWidth || top + bottom >= targetHeight)
        return DVCDEC_REFUSED;

    const uint32_t coreMode = scale | DV_CORE_REQUIRED | DV_CORE_EXPORT_FLAG | form |
                              (is525 ? DV_CORE_SYSTEM_525 : DV_CORE_SYSTEM_625);
    /* The native shape without trims is the picture as decoded: it is decoded straight behind the
     * header's place. */
    const int reshape = (shape != DVCDEC_SHAPE_NONE && shape != DVCDEC_SHAPE_NATIVE) || left || right || top || bottom;
    const int32_t stride = DvRowBytes(width);
    const size_t sourceOffset =
        (DVCDEC_OUTPUT_SIZE - (size_t)stride * height - DV_SOURCE_MARGIN) & ~(size_t)(DV_SOURCE_ALIGN - 1);
    uint8_t *picture = request->output + (reshape ? sourceOffset : DV_BITMAP_HEADER_BYTES);
    if (DecodeFrame(request->input + DVCDEC_HEADER_SIZE, picture, coreMode, -width, request->workArea) != 0)
        return DVCDEC_REFUSED;

    if (deinterlace == DVCDEC_DEINTERLACE_EVEN || deinterlace == DVCDEC_DEINTERLACE_ODD ||
        deinterlace == DVCDEC_DEINTERLACE_EVEN_ALWAYS || deinterlace == DVCDEC_DEINTERLACE_ODD_ALWAYS)
        DvDeinterlace(picture, width, height, deinterlace);

    /* Trims apply to the unshaped picture too, so that the header always describes the rows. */
    uint32_t status = DVCDEC_OK;
    const int32_t outWidth = targetWidth - left - right, outHeight = targetHeight - top - bottom;
    uint8_t *bitmapRows = request->output + DV_BITMAP_HEADER_BYTES;
    if (reshape && gDvReferenceResample) {
        if (shape == DVCDEC_SHAPE_LETTERBOX)
            DvCutLetterbox(picture, width, height, scaleIndex, is525, sourceHeight);
        status = DvResampleReference(picture, width, sourceHeight, targetWidth, targetHeight, left, right, top, bottom);
        memmove(bitmapRows, picture, (size_t)DvRowBytes(outWidth) * outHeight);
    } else if (reshape) {
        /* The letterbox band is read where it lies. */
        const uint8_t *source = picture;
        if (shape == DVCDEC_SHAPE_LETTERBOX)
            source += (ptrdiff_t)(DvFindLetterbox(picture, width, height, scaleIndex, is525) - sourceHeight) * stride;
        DvResampleInto(source, width, sourceHeight, bitmapRows, targetWidth, targetHeight, left, right, top, bottom);
    }
    WriteBitmapHeader(request->output, outWidth, outHeight);
    return status;
}
