// Load and unload of libport.so: nothing is open at load, so the closes
// then do nothing; at unload they release the port and the sound devices.
#include "fault.h"
#include "library.h"

namespace {

__attribute__((constructor)) void libraryLoaded() { port::guarded([] { port::closeAllDevices(); }); }
__attribute__((destructor)) void libraryUnloaded() { port::guarded([] { port::closeAllDevices(); }); }

}  // namespace
