// A stand-in library exporting the names of one entry-point list; a name defined away on the
// command line is missing from it.
#include "binding/entry_point_lists.h"

#define MIRELK_STUB_EXPORT(name) \
    extern "C" __attribute__((visibility("default"))) int name() { return 0; }
STUB_ENTRIES(MIRELK_STUB_EXPORT)
