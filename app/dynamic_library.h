// Loading a shared library and finding its functions by name, and the
// program's own folder: the operating system's part of binding the port
// library. One implementation per system (app/posix for Linux).
#pragma once

#include <memory>
#include <string>

namespace rumblet {

class DynamicLibrary {
public:
    virtual ~DynamicLibrary() = default;  // unloads the library
    // The exported function of that name, or nullptr when there is none.
    virtual void* find(const char* name) = 0;
};

// Loads the library at `path`. Throws RuntimeError with a message that names
// the library's file and says why it could not be loaded.
std::unique_ptr<DynamicLibrary> loadDynamicLibrary(const std::string& path);

// The folder holding the running program's executable, without a trailing
// separator.
std::string programFolder();

// The file name of the port library on this system, as it lies beside the
// program.
std::string portLibraryFileName();

// The port library's name with the version of its exports, as the system's
// loader finds it among the installed libraries.
std::string portLibrarySystemName();

}  // namespace rumblet
