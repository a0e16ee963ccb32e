#include "editor/win32/file_list_window.h"

#include <commctrl.h>

#include "window/user_action.h"
#include "window/win32/wide_text.h"

namespace rumblet::win32skin {

FileListWindow::FileListWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                               FileList& list)
    : ControlWindow(window, container, name, place, WC_LISTBOXW,
                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE),
      list_(list) {
    list.changed = [this] {
        showItems();
        SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(list_.listIndex), 0);
        showState();
    };
    list.changed();
}

// The list is filled anew only when its names changed, so the user's
// scrolling stays.
void FileListWindow::showItems() {
    if (list_.items == shown_) return;
    shown_ = list_.items;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : shown_)
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(item).c_str()));
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FileListWindow::command(int code) {
    if (code != LBN_SELCHANGE) return;
    const auto row = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
    if (row >= 0 && row != list_.listIndex) runUserAction([this, row] { list_.click(row); });
}

}  // namespace rumblet::win32skin
