/* A tiny library for the tests of loading libraries by name. */
__attribute__((visibility("default"))) int kestrel_probe_answer(void)
{
    return 42;
}
