// Linux: dlopen/dlsym, and the program's folder from /proc/self/exe.
#include "app/dynamic_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "app/runtime_error.h"

namespace rumblet {

namespace {

class PosixLibrary final : public DynamicLibrary {
public:
    explicit PosixLibrary(void* handle) : handle_(handle) {}
    ~PosixLibrary() override { dlclose(handle_); }
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;

    void* find(const char* name) override {
        dlerror();
        return dlsym(handle_, name);
    }

private:
    void* handle_;
};

}  // namespace

std::unique_ptr<DynamicLibrary> loadDynamicLibrary(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        throw RuntimeError("Cannot load the library " + path + ": " +
                           (why ? why : "unknown reason"));
    }
    return std::make_unique<PosixLibrary>(handle);
}

std::string programFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string exe(buffer, static_cast<size_t>(n));
    auto slash = exe.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string portLibraryFileName() { return "libport.so"; }

std::string portLibrarySystemName() { return PORT_SONAME; }

}  // namespace rumblet
