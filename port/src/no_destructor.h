// Storage for the library's process-wide objects: built on first use, never
// destroyed and never on the heap. The unload hook still closes the port and
// the wave devices after static destructors have run, and a program that
// loads and unloads the library again and again loses no memory doing so.
#pragma once

#include <new>
#include <utility>

namespace port {

template <class T>
class NoDestructor {
public:
    template <class... Args>
    explicit NoDestructor(Args&&... args) {
        new (storage_) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace port
