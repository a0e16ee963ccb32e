#include "window/skin_window_services.h"

#include <cstdio>
#include <cstdlib>

#include "window/user_action.h"

namespace rumblet {

namespace {

// The process's exit status, for the one real end.
int& exitStatus() {
    static int status = EXIT_SUCCESS;
    return status;
}

}  // namespace

void endProgramAtOnce() {
    std::fflush(nullptr);
    std::_Exit(exitStatus());
}

SkinWindowServices::SkinWindowServices(std::function<void()> openEditor, std::function<void()> end)
    : openEditor_(std::move(openEditor)), end_(std::move(end)) {}

void SkinWindowServices::yield() {
    processEvents();
    if (programHasEnded()) throw ProgramEnded{};
}

void SkinWindowServices::showSoundEditorModal() {
    if (openEditor_) openEditor_();
}

void SkinWindowServices::runtimeError(const std::exception& e) {
    messageBox(e.what());
    endProgramAfterError();
}

void SkinWindowServices::endProgramAfterError() {
    exitStatus() = EXIT_FAILURE;
    endProgram();
}

void SkinWindowServices::endProgram() {
    end_();
    markProgramEnded();
    hideMainWindow();
}

}  // namespace rumblet
