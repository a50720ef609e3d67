/*
 * Fixed tables of the DV format (25 Mbit/s, 525/60 and 625/50): the AC code words, the two scan
 * orders, the quantisation steps, the segment shuffle and the block areas of a DIF block. The
 * set-up turns them into the lookup tables kept in the work area.
 */
#include "DvCore.h"

/* The AC code words without their sign bit (every code with a non-zero amplitude is followed by
 * one). Amplitude 0 codes skip run + 1 positions without storing anything. */
const DvCodeWord kDvCodeWords[] = {
    {"00", 0, 1},           {"010", 0, 2},          {"0110", DV_EOB_RUN, 0}, {"0111", 1, 1},
    {"1000", 0, 3},         {"1001", 0, 4},         {"10100", 2, 1},         {"10101", 1, 2},
    {"10110", 0, 5},        {"10111", 0, 6},        {"110000", 3, 1},        {"110001", 4, 1},
    {"110010", 0, 7},       {"110011", 0, 8},       {"1101000", 5, 1},       {"1101001", 6, 1},
    {"1101010", 2, 2},      {"1101011", 1, 3},      {"1101100", 1, 4},       {"1101101", 0, 9},
    {"1101110", 0, 10},     {"1101111", 0, 11},     {"11100000", 7, 1},      {"11100001", 8, 1},
    {"11100010", 9, 1},     {"11100011", 10, 1},    {"11100100", 3, 2},      {"11100101", 4, 2},
    {"11100110", 2, 3},     {"11100111", 1, 5},     {"11101000", 1, 6},      {"11101001", 1, 7},
    {"11101010", 0, 12},    {"11101011", 0, 13},    {"11101100", 0, 14},     {"11101101", 0, 15},
    {"11101110", 0, 16},    {"11101111", 0, 17},    {"111100000", 11, 1},    {"111100001", 12, 1},
    {"111100010", 13, 1},   {"111100011", 14, 1},   {"111100100", 5, 2},     {"111100101", 6, 2},
    {"111100110", 3, 3},    {"111100111", 4, 3},    {"111101000", 2, 4},     {"111101001", 2, 5},
    {"111101010", 1, 8},    {"111101011", 0, 18},   {"111101100", 0, 19},    {"111101101", 0, 20},
    {"111101110", 0, 21},   {"111101111", 0, 22},   {"1111100000", 5, 3},    {"1111100001", 3, 4},
    {"1111100010", 3, 5},   {"1111100011", 2, 6},   {"1111100100", 1, 9},    {"1111100101", 1, 10},
    {"1111100110", 1, 11},  {"11111001110", 0, 0},  {"11111001111", 1, 0},   {"11111010000", 6, 3},
    {"11111010001", 4, 4},  {"11111010010", 3, 6},  {"11111010011", 1, 12},  {"11111010100", 1, 13},
    {"11111010101", 1, 14}, {"111110101100", 2, 0}, {"111110101101", 3, 0},  {"111110101110", 4, 0},
    {"111110101111", 5, 0}, {"111110110000", 7, 2}, {"111110110001", 8, 2},  {"111110110010", 9, 2},
    {"111110110011", 10, 2}, {"111110110100", 7, 3}, {"111110110101", 8, 3}, {"111110110110", 4, 5},
    {"111110110111", 3, 7}, {"111110111000", 2, 7}, {"111110111001", 2, 8},  {"111110111010", 2, 9},
    {"111110111011", 2, 10}, {"111110111100", 2, 11}, {"111110111101", 1, 15}, {"111110111110", 1, 16},
    {"111110111111", 1, 17}, {0, 0, 0},
};

/* 8-8 mode scan: positions 8 x vertical + horizontal frequency in transmission order. */
const uint8_t kDvZigzag88[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

/* 2-4-8 mode scan: rows 0-3 hold the field sum, rows 4-7 the field difference. */
const uint8_t kDvZigzag248[64] = {
    0,  32, 1,  33, 8,  40, 2,  34, 9,  41, 16, 48, 24, 56, 17, 49, 10, 42, 3,  35, 4,  36,
    11, 43, 18, 50, 25, 57, 26, 58, 19, 51, 12, 44, 5,  37, 6,  38, 13, 45, 20, 52, 27, 59,
    28, 60, 21, 53, 14, 46, 7,  39, 15, 47, 22, 54, 29, 61, 30, 62, 23, 55, 31, 63,
};

/* log2 of the quantisation step per quantisation index (QNO + class offset, at most 15) and area;
 * class 3 doubles every step. */
const uint8_t kDvStepExponent[DV_QUANT_INDEXES][4] = {
    {3, 3, 4, 4}, {3, 3, 4, 4}, {2, 3, 3, 4}, {2, 3, 3, 4}, {2, 2, 3, 3}, {2, 2, 3, 3},
    {1, 2, 2, 3}, {1, 2, 2, 3}, {1, 1, 2, 2}, {1, 1, 2, 2}, {0, 1, 1, 2}, {0, 1, 1, 2},
    {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 0, 1}, {0, 0, 0, 0},
};

const uint8_t kDvClassOffset[4] = {6, 3, 0, 1};

/* Where the five macroblocks of a segment belong: superblock row (sequence + this, modulo the
 * sequence count) and superblock column. */
const uint8_t kDvShuffleRow[DV_SEGMENT_BLOCKS] = {2, 6, 8, 0, 4};
const uint8_t kDvShuffleColumn[DV_SEGMENT_BLOCKS] = {2, 1, 3, 0, 4};

/* Byte offsets and sizes of the six blocks inside a video DIF block. */
const uint8_t kDvBlockOffset[DV_MB_BLOCKS] = {4, 18, 32, 46, 60, 70};
const uint8_t kDvBlockBytes[DV_MB_BLOCKS] = {14, 14, 14, 14, 10, 10};

/* Ordered dither of the 8-bit form, by line then column. Line 3 starts with 50 and line 7 holds 21
 * twice: the pictures this form was tuned on were made with these values. */
const uint8_t kDvDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},  {50, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 21, 55, 23, 61, 29, 53, 21},
};

int DvScanArea(int scanIndex)
{
    /* Areas of 5, 15, 22 and 21 coefficients follow the DC. */
    if (scanIndex <= 5)
        return 0;
    if (scanIndex <= 20)
        return 1;
    if (scanIndex <= 42)
        return 2;
    return 3;
}
