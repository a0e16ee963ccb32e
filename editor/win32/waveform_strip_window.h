// The sound editor's waveform strip on Win32: paints with GDI what the
// toolkit-free WaveStripView computes and routes the mouse and the wheel
// into it (editor/soundedit_waveform.h). The strip takes no keyboard focus:
// the keys stay with the sliders. Its columns are the window's pixels.
#pragma once

#include <array>
#include <string>

#include "editor/soundedit.h"
#include "editor/soundedit_waveform.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

// Paints a scene into `dc` over `width` x `height` device pixels of a screen
// of `dpi`; `names` label the segment bands, in `font`.
void paintWaveStrip(HDC dc, int width, int height, UINT dpi, const WaveStripScene& scene,
                    const std::array<std::wstring, 6>& names, HFONT font);

class WaveformStripWindow : public ControlWindow {
public:
    // About 30 repaints a second at most, only when something shown changed.
    static constexpr UINT REFRESH_MS = 33;

    WaveformStripWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                        Soundedit& editor);

    // Reads the editor's state and repaints what changed; the timer calls it.
    void refresh();
    const WaveStrip& strip() const { return view_.strip(); }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void fitWidth();
    void paint();
    double columnAt(LPARAM clientPoint) const;

    Soundedit& editor_;
    WaveStripView view_;
};

}  // namespace rumblet::win32skin
