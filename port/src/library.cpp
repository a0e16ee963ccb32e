#include "library.h"
#include "no_destructor.h"

namespace port {

Library& library() {
    static NoDestructor<Library> instance;
    return *instance;
}

}  // namespace port
