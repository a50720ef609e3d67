/* Stands in for a QuilJpeg build that lacks the decoder: it loads, but has no JpegDecoder. */
__attribute__((visibility("default"))) int JpegCoder(void)
{
    return 0;
}
