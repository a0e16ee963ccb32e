#include "window/user_action.h"

#include <cstdio>
#include <cstdlib>

#include "window/window_services.h"

namespace rumblet {

namespace {

std::function<void(const std::exception&)>& runtimeErrorHandler() {
    static std::function<void(const std::exception&)> handler;
    return handler;
}

bool& endedFlag() {
    static bool ended = false;
    return ended;
}

}  // namespace

bool programHasEnded() { return endedFlag(); }
void markProgramEnded() { endedFlag() = true; }
void resetProgramEnded() { endedFlag() = false; }

void setRuntimeErrorHandler(std::function<void(const std::exception&)> handler) {
    runtimeErrorHandler() = std::move(handler);
}

void runUserAction(const std::function<void()>& action) {
    if (programHasEnded()) return;
    try {
        action();
    } catch (const ProgramEnded&) {
        markProgramEnded();
    } catch (const std::exception& e) {
        if (!runtimeErrorHandler()) {
            std::fprintf(stderr, "%s\n", e.what());
            std::fflush(nullptr);
            std::_Exit(1);
        }
        runtimeErrorHandler()(e);
        markProgramEnded();
    }
}

}  // namespace rumblet
