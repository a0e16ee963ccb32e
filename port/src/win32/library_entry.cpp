// Load and unload of port.dll: nothing is open at load, so the closes then
// do nothing; at unload they release the port and the sound devices.
#include <windows.h>

#include "fault.h"
#include "library.h"
#include "win32/comm_watcher.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Unloaded by FreeLibrary (reserved null), or at the process's end,
    // when the system has already ended every other thread.
    if (reason == DLL_PROCESS_DETACH) port::libraryUnloading(reserved != nullptr);
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_PROCESS_DETACH) port::guarded([] { port::closeAllDevices(); });
    return TRUE;
}
