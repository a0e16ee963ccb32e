#include "window/skin_window_services.h"

#include <cstdio>
#include <cstdlib>

#include "window/user_action.h"

namespace rumblet {

void endProgramAtOnce() {
    std::fflush(nullptr);
    std::_Exit(0);
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
    endProgram();
}

void SkinWindowServices::endProgram() {
    end_();
    markProgramEnded();
    hideMainWindow();
}

}  // namespace rumblet
