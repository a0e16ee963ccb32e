#include "editor/win32/soundedit_window.h"

#include <commctrl.h>

#include "editor/soundedit_layout.h"
#include "editor/win32/file_list_window.h"
#include "editor/win32/waveform_strip_window.h"
#include "window/user_action.h"
#include "window/win32/message_loop.h"
#include "window/win32/wide_text.h"

namespace rumblet::win32skin {

namespace layout = soundedit_layout;

void Win32SoundeditSystem::MsgBox(const std::string& text) { showMessage(text); }

std::string Win32SoundeditSystem::decimalSeparator() const {
    wchar_t separator[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    return fromWide(separator);
}

namespace {

Place placeOf(const layout::Place& p) { return Place{p.left, p.top, p.width, p.height}; }

std::string indexedName(const char* name, std::size_t i) { return std::string(name) + "(" + std::to_string(i) + ")"; }

}  // namespace

SoundeditWindow::SoundeditWindow(Soundedit& editor, HWND owner)
    : SkinWindow(editor.caption, layout::CLIENT_WIDTH, layout::CLIENT_HEIGHT, owner), editor_(editor) {
    buildControls();
}

// Created in the order the window stacks them: frames before what they hold.
void SoundeditWindow::buildControls() {
    Soundedit& e = editor_;

    const HWND frame2 = addFrame(hwnd(), "Frame2", e.Frame2, placeOf(layout::Frame2));
    add<FileListWindow>(frame2, "File1", placeOf(layout::File1), e.File1);

    const HWND frame4 = addFrame(hwnd(), "Frame4", e.Frame4, placeOf(layout::Frame4));
    for (std::size_t i = 0; i < 4; ++i) {
        const HWND row = addFrame(frame4, indexedName("Frame1", i), e.Frame1[i], placeOf(layout::Frame1[i]));
        addLabel(row, indexedName("Label3", i), e.Label3[i], placeOf(layout::Label3));
    }
    const HWND frame7 = addFrame(frame4, "Frame7", e.Frame7, placeOf(layout::Frame7));
    addSlider(frame7, "Slider2", e.Slider2, placeOf(layout::Slider2));
    for (std::size_t i = 0; i < 4; ++i)
        addOption(frame4, indexedName("Option2", i), e.Option2[i], placeOf(layout::Option2[i]),
                  [&e, i] { selectOption(e.Option2, i); });
    const HWND frame3 = addFrame(frame4, "Frame3", e.Frame3, placeOf(layout::Frame3));
    for (std::size_t i = 0; i < 4; ++i)
        addOption(frame3, indexedName("Option1", i), e.Option1[i], placeOf(layout::Option1[i]),
                  [&e, i] { selectOption(e.Option1, i); });
    addButton(frame4, "Command1", e.Command1, placeOf(layout::Command1), [&e] { e.Command1_Click(); });
    addButton(frame4, "Command2", e.Command2, placeOf(layout::Command2), [&e] { e.Command2_Click(); });

    const HWND frame5 = addFrame(hwnd(), "Frame5", e.Frame5, placeOf(layout::Frame5));
    for (std::size_t i = 0; i < e.Option3.size(); ++i)
        addOption(frame5, indexedName("Option3", i), e.Option3[i], placeOf(layout::Option3[i]),
                  [&e, i] { selectOption(e.Option3, i); });
    for (std::size_t i = 0; i < 2; ++i) {
        const HWND frame6 = addFrame(frame5, indexedName("Frame6", i), e.Frame6[i], placeOf(layout::Frame6[i]));
        addSlider(frame6, indexedName("Slider1", i), e.Slider1[i], placeOf(layout::Slider1));
        addLabel(frame6, indexedName("Label4", i), e.Label4[i], placeOf(layout::Label4));
    }

    add<WaveformStripWindow>(hwnd(), "WaveStrip", placeOf(layout::WaveStrip), e);

    addTimer(e.Timer1);
}

void SoundeditWindow::showModal() {
    unloaded_ = false;
    runUserAction([this] { editor_.Form_Load(); });
    runModal();
}

void SoundeditWindow::close() {
    if (!unloaded_) {
        unloaded_ = true;
        runUserAction([this] { editor_.Form_Unload(); });
    }
    destroy();
}

LRESULT SoundeditWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            close();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) {  // Escape
                close();
                return 0;
            }
            break;
        default:
            break;
    }
    return SkinWindow::handle(message, wParam, lParam);
}

}  // namespace rumblet::win32skin
