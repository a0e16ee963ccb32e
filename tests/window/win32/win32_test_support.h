// What the tests of the Win32 skin share: running an action inside the
// message loop that is running then (a modal editor's, a message box's),
// answering message boxes, a control window's place in its container, and
// scratch folders and wave files.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "window/win32/skin_window.h"

namespace rumblet::win32test {

// Runs `action` once, `ms` milliseconds from now, from whatever message
// loop of this thread runs then (the modal editor's, a message box's).
void runInMessageLoop(std::function<void()> action, UINT ms = 20);

// Handles this thread's messages for `ms` milliseconds.
void pumpFor(UINT ms);

// What a message box showed.
struct ShownBox {
    std::string title;
    std::string text;
};

// Answers every message box of this thread with OK while it exists, and
// writes down what each showed.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    std::vector<ShownBox> shown;

private:
    static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_;
};

// A control window's place in its parent's client area, in pixels.
win32skin::Place placeInParent(HWND hwnd);
// A window's client size.
SIZE clientSize(HWND hwnd);

// A new, empty folder for one test; removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    std::string text() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Writes a 16-bit mono wave file of `frames` frames of a tone.
void writeWave(const std::filesystem::path& file, int frames, int rate);

}  // namespace rumblet::win32test
