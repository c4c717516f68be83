// Linked into every test program: the library's own entry point (the facade)
// registers the stream filters, but tests also drive the layers below it.
#include "pdf/filters/stream_filter_registration.h"

namespace {

// An initialiser of this executable, not of the static library: it runs
// before main and calls a function whose table is made on first use.
const bool kRegistered = (ostrel::RegisterStreamFilters(), true);

}  // namespace
