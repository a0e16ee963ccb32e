// The editor's file list on Win32: a list box that mirrors the items and
// the picked one. Only the user picks (a click or the arrow keys); the
// program's own changes to the list raise nothing.
#pragma once

#include "editor/editor_controls.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

class FileListWindow : public ControlWindow {
public:
    FileListWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, FileList& list);
    void command(int code) override;

private:
    const Control* state() const override { return &list_; }
    void unbind() override { list_.changed = nullptr; }
    void showItems();

    FileList& list_;
    std::vector<std::string> shown_;
};

}  // namespace rumblet::win32skin
