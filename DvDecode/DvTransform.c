/*
 * Integer inverse transforms.
 *
 * The coefficient weighting of the format is folded into the constants of the 8-point transform
 * T, so one integer butterfly serves both passes of the 8-8 mode; the 2-4-8 mode takes its
 * vertical pass through U, which splits the field sum and difference. All arithmetic is 32-bit
 * with arithmetic right shifts (the library is built with wrapping signed arithmetic, so even
 * hostile coefficients cannot reach undefined behaviour).
 *
 * Coefficients sit in natural order, 8 x vertical + horizontal frequency. A full block runs
 * eight columns at once in vector lanes: the vertical pass over the rows, a transpose, the
 * horizontal pass, a transpose back. Integer lanes compute exactly what the scalar form does, and
 * the fast paths are exact too: T and U of a column whose only non-zero value is the first give
 * that value eight times, so such columns are filled instead of transformed.
 */
#include <string.h>

#include "DvCore.h"

#define S DV_RASTER_STRIDE
#define AI static inline __attribute__((always_inline))

/* The 8-point transform T over x[0 ... 7], generic over scalars and vectors. */
#define TRANSFORM_T(type, x, y)                                                                    \
    do {                                                                                           \
        const type a_ = x[0] + ((73 * x[4]) >> 6);                                                 \
        const type b_ = (90 * x[2] + 45 * x[6]) >> 6;                                              \
        const type g_ = (59 * x[1]) >> 4;                                                          \
        const type h_ = ((x[7] + g_) * 69) >> 7;                                                   \
        const type l_ = (45 * x[3]) >> 5;                                                          \
        const type m_ = ((x[5] + l_) * 21) >> 4;                                                   \
        const type o_ = ((m_ + h_) * 45) >> 6;                                                     \
        const type l1_ = l_ + g_ - x[5] - m_ - x[7] - h_;                                          \
        const type y3_ = 2 * (g_ - x[7] - h_) + a_ - l1_ - o_ - b_;                                \
        const type f_ = 2 * x[0] - a_;                                                             \
        const type d_ = 2 * x[2] + f_ - x[6] - b_;                                                 \
        const type l2_ = (45 * l1_) >> 6;                                                          \
        const type y2_ = h_ + 2 * f_ - m_ - l2_ - d_;                                              \
        y[0] = o_ + a_ + b_;                                                                       \
        y[1] = d_ + l2_;                                                                           \
        y[2] = y2_;                                                                                \
        y[3] = y3_;                                                                                \
        y[4] = 2 * a_ - 2 * b_ - y3_;                                                              \
        y[5] = 2 * (2 * f_ - d_) - y2_;                                                            \
        y[6] = d_ - l2_;                                                                           \
        y[7] = a_ + b_ - o_;                                                                       \
    } while (0)

/* The vertical pass of the 2-4-8 mode: x[0 ... 3] hold the field sum, x[4 ... 7] the difference. */
#define TRANSFORM_U(type, x, y)                                                                    \
    do {                                                                                           \
        const type g_ = (90 * x[5] + 45 * x[7]) >> 6;                                              \
        const type h_ = (90 * x[1] + 45 * x[3]) >> 6;                                              \
        const type l_ = x[4] + ((73 * x[6]) >> 6);                                                 \
        const type m_ = x[0] + ((73 * x[2]) >> 6);                                                 \
        const type o_ = h_ + m_;                                                                   \
        const type e_ = 2 * x[5] + 2 * x[4] - x[7] - g_ - l_;                                      \
        const type c_ = 2 * x[0] - m_;                                                             \
        const type a_ = 2 * x[1] + c_ - x[3] - h_;                                                 \
        const type y4_ = 2 * (2 * x[4] - l_) + 2 * c_ - e_ - a_;                                   \
        const type l1_ = l_ + m_ - g_ - h_;                                                        \
        y[0] = l_ + g_ + o_;                                                                       \
        y[1] = o_ - l_ - g_;                                                                       \
        y[2] = e_ + a_;                                                                            \
        y[3] = a_ - e_;                                                                            \
        y[4] = y4_;                                                                                \
        y[5] = 2 * (2 * c_ - a_) - y4_;                                                            \
        y[6] = l1_;                                                                                \
        y[7] = 2 * m_ - 2 * h_ - l1_;                                                              \
    } while (0)

/* Column `column` of a block through T or U, the outputs `step` values apart. */
AI void Column(const int32_t *coef, int column, int dct248, int32_t *out, int step)
{
    int32_t x[8], y[8];
    for (int v = 0; v < 8; ++v)
        x[v] = coef[8 * v + column];
    if (dct248)
        TRANSFORM_U(int32_t, x, y);
    else
        TRANSFORM_T(int32_t, x, y);
    for (int r = 0; r < 8; ++r)
        out[r * step] = y[r];
}

/* A raster line through T, in place, shifted right by 8. */
AI void Line(int32_t *line)
{
    int32_t x[8], y[8];
    memcpy(x, line, sizeof x);
    TRANSFORM_T(int32_t, x, y);
    for (int i = 0; i < 8; ++i)
        line[i] = y[i] >> 8;
}

void DvTransformFullReference(int32_t *coef, int dct248, int32_t *out)
{
    for (int column = 0; column < 8; ++column)
        Column(coef, column, dct248, out + column, S);
    for (int row = 0; row < 8; ++row)
        Line(out + row * S);
    memset(coef, 0, 64 * sizeof *coef);
}

typedef int32_t V8 __attribute__((vector_size(32)));

AI void Transpose(V8 *r)
{
    V8 a0 = __builtin_shufflevector(r[0], r[1], 0, 8, 1, 9, 4, 12, 5, 13);
    V8 a1 = __builtin_shufflevector(r[0], r[1], 2, 10, 3, 11, 6, 14, 7, 15);
    V8 a2 = __builtin_shufflevector(r[2], r[3], 0, 8, 1, 9, 4, 12, 5, 13);
    V8 a3 = __builtin_shufflevector(r[2], r[3], 2, 10, 3, 11, 6, 14, 7, 15);
    V8 a4 = __builtin_shufflevector(r[4], r[5], 0, 8, 1, 9, 4, 12, 5, 13);
    V8 a5 = __builtin_shufflevector(r[4], r[5], 2, 10, 3, 11, 6, 14, 7, 15);
    V8 a6 = __builtin_shufflevector(r[6], r[7], 0, 8, 1, 9, 4, 12, 5, 13);
    V8 a7 = __builtin_shufflevector(r[6], r[7], 2, 10, 3, 11, 6, 14, 7, 15);
    V8 b0 = __builtin_shufflevector(a0, a2, 0, 1, 8, 9, 4, 5, 12, 13);
    V8 b1 = __builtin_shufflevector(a0, a2, 2, 3, 10, 11, 6, 7, 14, 15);
    V8 b2 = __builtin_shufflevector(a1, a3, 0, 1, 8, 9, 4, 5, 12, 13);
    V8 b3 = __builtin_shufflevector(a1, a3, 2, 3, 10, 11, 6, 7, 14, 15);
    V8 b4 = __builtin_shufflevector(a4, a6, 0, 1, 8, 9, 4, 5, 12, 13);
    V8 b5 = __builtin_shufflevector(a4, a6, 2, 3, 10, 11, 6, 7, 14, 15);
    V8 b6 = __builtin_shufflevector(a5, a7, 0, 1, 8, 9, 4, 5, 12, 13);
    V8 b7 = __builtin_shufflevector(a5, a7, 2, 3, 10, 11, 6, 7, 14, 15);
    r[0] = __builtin_shufflevector(b0, b4, 0, 1, 2, 3, 8, 9, 10, 11);
    r[1] = __builtin_shufflevector(b1, b5, 0, 1, 2, 3, 8, 9, 10, 11);
    r[2] = __builtin_shufflevector(b2, b6, 0, 1, 2, 3, 8, 9, 10, 11);
    r[3] = __builtin_shufflevector(b3, b7, 0, 1, 2, 3, 8, 9, 10, 11);
    r[4] = __builtin_shufflevector(b0, b4, 4, 5, 6, 7, 12, 13, 14, 15);
    r[5] = __builtin_shufflevector(b1, b5, 4, 5, 6, 7, 12, 13, 14, 15);
    r[6] = __builtin_shufflevector(b2, b6, 4, 5, 6, 7, 12, 13, 14, 15);
    r[7] = __builtin_shufflevector(b3, b7, 4, 5, 6, 7, 12, 13, 14, 15);
}

static inline void FillLine(int32_t *line, int32_t v)
{
    for (int i = 0; i < 8; ++i)
        line[i] = v;
}

/* Whether a vector is all zero; by address, since vectors are not passed by value between
 * functions built for different instruction sets. */
AI int AllZero(const V8 *v)
{
    uint64_t parts[4];
    memcpy(parts, v, sizeof parts);
    return (parts[0] | parts[1] | parts[2] | parts[3]) == 0;
}

/*
 * All eight columns at once: lanes are columns in the vertical pass and rows in the horizontal.
 * Blocks whose columns after the first are empty take the exact shortcuts instead: every raster
 * line is then flat, and a first column that holds only the DC needs no transform at all.
 */
AI void TransformBlock(int32_t *coef, int dct248, int32_t *out)
{
    /* Coefficient rows and raster lines are 32-byte aligned: whole-vector loads and stores. */
    V8 *const rows = (V8 *)coef;
    V8 x[8], y[8];
    V8 any = {0};
    for (int v = 0; v < 8; ++v) {
        x[v] = rows[v];
        rows[v] = (V8){0};
        any |= x[v];
    }
    const V8 laterColumns = {0, -1, -1, -1, -1, -1, -1, -1};
    const V8 later = any & laterColumns;
    if (AllZero(&later)) {
        int32_t column[8];
        for (int v = 0; v < 8; ++v)
            column[v] = x[v][0];
        int32_t rows = 0;
        for (int v = 1; v < 8; ++v)
            rows |= column[v];
        if (rows) {
            int32_t result[8];
            if (dct248)
                TRANSFORM_U(int32_t, column, result);
            else
                TRANSFORM_T(int32_t, column, result);
            for (int row = 0; row < 8; ++row)
                FillLine(out + row * S, result[row] >> 8);
        } else {
            for (int row = 0; row < 8; ++row)
                FillLine(out + row * S, column[0] >> 8);
        }
        return;
    }
    /* Upper frequencies are often all zero; the compiler folds the zero inputs of these
     * variants away, and the results stay exact. */
    const V8 zero = {0};
    const V8 upperRows = x[4] | x[5] | x[6] | x[7];
    if (dct248) {
        TRANSFORM_U(V8, x, y);
    } else if (AllZero(&upperRows)) {
        const V8 low[8] = {x[0], x[1], x[2], x[3], zero, zero, zero, zero};
        TRANSFORM_T(V8, low, y);
    } else {
        TRANSFORM_T(V8, x, y);
    }
    Transpose(y);
    const V8 upperColumns = {0, 0, 0, 0, -1, -1, -1, -1};
    const V8 upper = any & upperColumns;
    if (AllZero(&upper)) {
        const V8 low[8] = {y[0], y[1], y[2], y[3], zero, zero, zero, zero};
        TRANSFORM_T(V8, low, x);
    } else {
        TRANSFORM_T(V8, y, x);
    }
    for (int i = 0; i < 8; ++i)
        x[i] >>= 8;
    Transpose(x);
    for (int r = 0; r < 8; ++r)
        *(V8 *)(out + r * S) = x[r];
}

/* The same code built for AVX2 and for the baseline instruction set; the set-up finds out which
 * one the processor runs. */
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static void TransformBlockAvx2(int32_t *coef, int dct248, int32_t *out)
{
    TransformBlock(coef, dct248, out);
}
#endif

static void TransformBlockBaseline(int32_t *coef, int dct248, int32_t *out)
{
    TransformBlock(coef, dct248, out);
}

#if !defined(__x86_64__) && !defined(__i386__)
#define TransformBlockAvx2 TransformBlockBaseline
#endif

void DvTransformFull(int32_t *coef, int dct248, int32_t *out)
{
    if (gDvAvx2)
        TransformBlockAvx2(coef, dct248, out);
    else
        TransformBlockBaseline(coef, dct248, out);
}

/* The 4-point transform of half scale, on the 4 x 4 low-frequency corner. */
AI void Transform4(const int32_t *x, int32_t *out, int step, int shift)
{
    const int32_t x0 = x[0], x1 = x[step], x2 = x[2 * step], x3 = x[3 * step];
    const int32_t a = x0 + ((9 * x2) >> 3);
    const int32_t d = 2 * x1 + ((7 * x3) >> 3);
    const int32_t e = (3 * d) >> 2;
    const int32_t y0 = a + e;
    const int32_t y3 = 2 * a - y0;
    const int32_t y1 = 4 * x1 + 2 * x0 - d - e - a;
    const int32_t y2 = 2 * (2 * x0 - a) - y1;
    out[0 * step] = y0 >> shift;
    out[1 * step] = y1 >> shift;
    out[2 * step] = y2 >> shift;
    out[3 * step] = y3 >> shift;
}

void DvTransformHalf(int32_t *coef, int32_t *out)
{
    /* Columns first: coefficient column h (stride 8) into raster column h (stride S). */
    for (int column = 0; column < 4; ++column) {
        int32_t x[4] = {coef[column], coef[8 + column], coef[16 + column], coef[24 + column]};
        int32_t y[4];
        Transform4(x, y, 1, 0);
        for (int r = 0; r < 4; ++r)
            out[r * S + column] = y[r];
    }
    for (int row = 0; row < 4; ++row)
        Transform4(out + row * S, out + row * S, 1, 8);
    /* Half-scale lists write the 4 x 4 corner and the trash slot only. */
    for (int row = 0; row < 4; ++row)
        memset(coef + 8 * row, 0, 4 * sizeof *coef);
}

void DvTransformQuarter(int32_t *coef, int32_t *out)
{
    /* The first vertical, horizontal and diagonal coefficients. */
    const int32_t c = coef[0], v = coef[8], h = coef[1], d = coef[9];
    out[0] = (c + v + h + d) >> 8;
    out[1] = (c + v - h - d) >> 8;
    out[S] = (c + h - v - d) >> 8;
    out[S + 1] = (c + d - v - h) >> 8;
    /* Scan indexes 1 to 4 of either mode reach these positions only. */
    coef[0] = coef[1] = coef[8] = coef[9] = coef[16] = coef[32] = coef[33] = 0;
}
