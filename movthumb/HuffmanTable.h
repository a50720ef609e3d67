#ifndef CLIPNAIL_HUFFMAN_TABLE_H
#define CLIPNAIL_HUFFMAN_TABLE_H
/* Motion-JPEG frames in AVI files usually leave out their Huffman tables and rely on the standard's
 * typical ones; a stand-alone JPEG file must carry them. This is the complete DHT segment to insert. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { CLIP_HUFFMAN_SEGMENT_SIZE = 420 };

extern const uint8_t clip_huffman_segment[CLIP_HUFFMAN_SEGMENT_SIZE];

#ifdef __cplusplus
}
#endif

#endif
