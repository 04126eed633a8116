// A library that must never be loaded: it ends the process that loads it, before main.
#include <unistd.h>

namespace {

[[gnu::constructor]] void RefuseToBeLoaded() { _exit(97); }

}  // namespace
