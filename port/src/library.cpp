#include "library.h"

namespace port {

Library& library() {
    static Library& instance = *new Library();
    return instance;
}

}  // namespace port
