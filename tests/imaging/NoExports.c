/* Stands in for a codec library whose exports are gone: it loads, and has nothing to find. */
__attribute__((visibility("default"))) int NotACodecExport(void)
{
    return 0;
}
