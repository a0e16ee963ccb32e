#include "app/win32/main_window.h"

#include <map>

#include "window/user_action.h"

namespace rumblet::win32skin {

MainWindow::MainWindow(MainForm& form)
    : SkinWindow(form.caption, twipsToPixels(MainForm::CLIENT_WIDTH), twipsToPixels(MainForm::CLIENT_HEIGHT)),
      form_(form) {
    // The layout lists frames before what they hold, in the window's order.
    std::map<std::string, HWND> containers;
    for (PlacedControl& placed : form.layout()) {
        const auto frame = containers.find(placed.container);
        const HWND container = frame == containers.end() ? hwnd() : frame->second;
        const Place place = twipsPlace(placed.place.left, placed.place.top, placed.place.width, placed.place.height);
        switch (placed.kind) {
            case ControlKind::Frame:
                containers[placed.name] = addFrame(container, placed.name, *std::get<Label*>(placed.control), place);
                break;
            case ControlKind::CheckBox:
                addCheckBox(container, placed.name, *std::get<CheckBox*>(placed.control), place);
                break;
            case ControlKind::Button:
                addButton(container, placed.name, *std::get<Label*>(placed.control), place, placed.click);
                break;
            case ControlKind::TextBox:
                addTextBox(container, placed.name, *std::get<TextBox*>(placed.control), place);
                break;
        }
    }
    addTimer(form.Timer2);
}

// Closing runs ende, which ends the program at once, also from inside the
// receive loop; nothing after it runs.
void MainWindow::close() {
    runUserAction([this] { form_.Form_Unload(); });
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:  // the close box, Alt+F4, the system menu
            close();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // Logging off or shutting down: the editor, if open, closes
            // first and saves, then the program ends as its close box does.
            if (wParam) {
                closeWindowsAbove();
                close();
            }
            return 0;
        default:
            return SkinWindow::handle(message, wParam, lParam);
    }
}

}  // namespace rumblet::win32skin
