// A shared library that is no control library: it exports none of the entry
// points, for the loader's and the registration command's messages.
extern "C" __attribute__((visibility("default"))) int platformTestNotAControl()
{
    return 0;
}
