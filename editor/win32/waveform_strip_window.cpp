#include "editor/win32/waveform_strip_window.h"

#include <windowsx.h>

#include <cmath>
#include <vector>

#include "window/user_action.h"
#include "window/win32/wide_text.h"

namespace rumblet::win32skin {

namespace {

constexpr const wchar_t* STRIP_CLASS = L"rumbletWaveStrip";
constexpr UINT_PTR REFRESH_TIMER = 1;
// The lane of the segment names above the wave, in pixels at 96 dpi.
constexpr int LANE_HEIGHT = 14;

// One colour per segment, Motorstart to Motorstop.
constexpr std::array<COLORREF, 6> SEGMENT_COLOURS{RGB(0x4c, 0xaf, 0x50), RGB(0x03, 0xa9, 0xf4),
                                                  RGB(0xff, 0x98, 0x00), RGB(0x9c, 0x27, 0xb0),
                                                  RGB(0xf4, 0x43, 0x36), RGB(0x79, 0x55, 0x48)};
constexpr COLORREF BACKGROUND = RGB(0xff, 0xff, 0xff);
constexpr COLORREF BORDER_COLOUR = RGB(0xa0, 0xa0, 0xa0);
constexpr COLORREF MIDDLE_COLOUR = RGB(0xd0, 0xd0, 0xd0);
constexpr COLORREF WAVE_COLOUR = RGB(0x1a, 0x3a, 0x6b);
constexpr COLORREF START_COLOUR = RGB(0x1b, 0x8a, 0x2e);
constexpr COLORREF END_COLOUR = RGB(0xc6, 0x28, 0x28);
constexpr COLORREF CURSOR_COLOUR = RGB(0x10, 0x10, 0x10);
// How opaque the bands are over the white strip: the lane of the current
// segment, the lanes of the others, and the current segment over the wave.
constexpr int CURRENT_LANE_ALPHA = 230;
constexpr int LANE_ALPHA = 120;
constexpr int CURRENT_BODY_ALPHA = 45;

// `colour` at `alpha` (of 255) over the white background.
COLORREF overWhite(COLORREF colour, int alpha) {
    const auto mix = [alpha](int c) { return static_cast<BYTE>((c * alpha + 255 * (255 - alpha)) / 255); };
    return RGB(mix(GetRValue(colour)), mix(GetGValue(colour)), mix(GetBValue(colour)));
}

void fill(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

int rounded(double v) { return static_cast<int>(std::lround(v)); }

// A marker: a line through the wave and a handle in the lane to grab.
void paintMarker(HDC dc, double x, int laneBottom, int bottom, double scale, COLORREF colour) {
    const int at = rounded(x);
    const int handle = rounded(4 * scale);
    const HPEN pen = CreatePen(PS_SOLID, std::max(1, rounded(scale)), colour);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, at, laneBottom, nullptr);
    LineTo(dc, at, bottom);
    SelectObject(dc, GetStockObject(NULL_PEN));
    SetDCBrushColor(dc, colour);
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    const POINT triangle[3] = {{at - handle, 0}, {at + handle, 0}, {at, laneBottom}};
    Polygon(dc, triangle, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void registerStripClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW stripClass{};
    stripClass.cbSize = sizeof stripClass;
    stripClass.style = CS_DBLCLKS;
    stripClass.lpfnWndProc = DefWindowProcW;
    stripClass.hInstance = GetModuleHandleW(nullptr);
    stripClass.hCursor = nullptr;  // chosen on WM_SETCURSOR
    stripClass.lpszClassName = STRIP_CLASS;
    RegisterClassExW(&stripClass);
    registered = true;
}

const wchar_t* registeredStripClass() {
    registerStripClass();
    return STRIP_CLASS;
}

}  // namespace

void paintWaveStrip(HDC dc, int width, int height, UINT dpi, const WaveStripScene& scene,
                    const std::array<std::wstring, 6>& names, HFONT font) {
    const double scale = dpi / 96.0;
    const RECT whole{0, 0, width, height};
    fill(dc, whole, BACKGROUND);
    SetDCBrushColor(dc, BORDER_COLOUR);
    FrameRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (!scene.columns) return;

    const int laneBottom = rounded(LANE_HEIGHT * scale);
    const double middle = (laneBottom + height) / 2.0;
    const double half = (height - laneBottom) / 2.0 - scale;

    for (const SegmentBand& band : scene.bands) {
        const COLORREF colour = SEGMENT_COLOURS[static_cast<size_t>(band.index)];
        const int left = rounded(band.left), right = rounded(band.right);
        fill(dc, RECT{left, 0, right, laneBottom}, overWhite(colour, band.current ? CURRENT_LANE_ALPHA : LANE_ALPHA));
        if (band.current) fill(dc, RECT{left, laneBottom, right, height}, overWhite(colour, CURRENT_BODY_ALPHA));
    }

    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, MIDDLE_COLOUR);
    MoveToEx(dc, 0, rounded(middle), nullptr);
    LineTo(dc, width, rounded(middle));

    // One vertical line per column, its end included.
    std::vector<POINT> points;
    std::vector<DWORD> counts;
    points.reserve(scene.columns->size() * 2);
    counts.reserve(scene.columns->size());
    for (size_t c = 0; c < scene.columns->size(); ++c) {
        const WaveSpan& s = (*scene.columns)[c];
        if (s.empty()) continue;
        const int x = static_cast<int>(c);
        const int top = rounded(middle - s.high * half / 32767.0);
        const int low = rounded(middle - s.low * half / 32767.0);
        points.push_back(POINT{x, top});
        points.push_back(POINT{x, low + 1});
        counts.push_back(2);
    }
    SetDCPenColor(dc, WAVE_COLOUR);
    if (!counts.empty()) PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
    if (scene.samplesApart()) {
        // Zoomed in this far, each sample gets a dot where its value begins.
        const int dot = rounded(3 * scale);
        for (size_t i = 0; i < points.size(); i += 2) {
            const int x = points[i].x, top = points[i].y, low = points[i + 1].y - 1;
            if (!scene.sampleStartsAt(x)) continue;
            fill(dc, RECT{x, top - dot / 2, x + dot, top - dot / 2 + dot}, WAVE_COLOUR);
            if (low != top) fill(dc, RECT{x, low - dot / 2, x + dot, low - dot / 2 + dot}, WAVE_COLOUR);
        }
    }

    if (scene.startMarker) paintMarker(dc, *scene.startMarker, laneBottom, height, scale, START_COLOUR);
    if (scene.endMarker) paintMarker(dc, *scene.endMarker, laneBottom, height, scale, END_COLOUR);
    if (scene.playCursor) {
        const HPEN pen = CreatePen(PS_SOLID, std::max(1, rounded(scale)), CURSOR_COLOUR);
        const HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, rounded(*scene.playCursor), laneBottom, nullptr);
        LineTo(dc, rounded(*scene.playCursor), height);
        SelectObject(dc, old);
        DeleteObject(pen);
    }

    // The names go where their bands leave room, the current one on top.
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (const SegmentBand& band : scene.bands) {
        RECT lane{rounded(band.left + 6 * scale), 0, rounded(band.right - 3 * scale), laneBottom};
        if (lane.right - lane.left < rounded(12 * scale)) continue;
        const std::wstring& name = names[static_cast<size_t>(band.index)];
        DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &lane,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
}

WaveformStripWindow::WaveformStripWindow(SkinWindow& window, HWND container, const std::string& name,
                                         const Place& place, Soundedit& editor)
    : ControlWindow(window, container, name, place, registeredStripClass(), 0), editor_(editor), view_(editor) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WaveformStripWindow::procedure));
    fitWidth();
    refresh();
    SetTimer(hwnd_, REFRESH_TIMER, REFRESH_MS, nullptr);
}

LRESULT CALLBACK WaveformStripWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* strip = reinterpret_cast<WaveformStripWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!strip || !strip->hwnd_) return DefWindowProcW(hwnd, message, wParam, lParam);
    return strip->handle(message, wParam, lParam);
}

void WaveformStripWindow::fitWidth() {
    RECT client;
    GetClientRect(hwnd_, &client);
    view_.setWidth(client.right);
}

double WaveformStripWindow::columnAt(LPARAM clientPoint) const { return GET_X_LPARAM(clientPoint); }

void WaveformStripWindow::refresh() {
    fitWidth();
    if (view_.refresh()) InvalidateRect(hwnd_, nullptr, FALSE);
}

// Painted whole into a picture first, so the strip never flickers.
void WaveformStripWindow::paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    fitWidth();
    const HDC picture = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    const HGDIOBJ old = SelectObject(picture, bitmap);
    std::array<std::wstring, 6> names;
    for (size_t i = 0; i < names.size(); ++i) names[i] = toWide(editor_.Option3[i].caption);
    paintWaveStrip(picture, client.right, client.bottom, window_.dpi(), view_.scene(), names, window_.font());
    BitBlt(dc, 0, 0, client.right, client.bottom, picture, 0, 0, SRCCOPY);
    SelectObject(picture, old);
    DeleteObject(bitmap);
    DeleteDC(picture);
    EndPaint(hwnd_, &ps);
}

LRESULT WaveformStripWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            fitWidth();
            return 0;
        case WM_TIMER:
            // The preview is asked for its play cursor: a sound object that
            // refuses is the program's standard run-time error.
            if (wParam == REFRESH_TIMER) runUserAction([this] { refresh(); });
            return 0;
        case WM_LBUTTONDOWN:
            if (view_.press(columnAt(lParam))) InvalidateRect(hwnd_, nullptr, FALSE);
            if (view_.dragging()) SetCapture(hwnd_);
            return 0;
        case WM_MOUSEMOVE:
            if (view_.dragging()) {
                const double column = columnAt(lParam);
                runUserAction([this, column] { view_.drag(column); });
                if (hwnd_) refresh();
            }
            return 0;
        case WM_LBUTTONUP:
            view_.release();
            if (GetCapture() == hwnd_) ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:
            view_.release();
            return 0;
        case WM_LBUTTONDBLCLK:
            if (view_.doubleClick()) InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL: {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd_, &at);
            const bool sideways = message == WM_MOUSEHWHEEL || (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT);
            // A tilt to the right goes later, as turning the wheel towards the user does.
            const int turned = GET_WHEEL_DELTA_WPARAM(wParam);
            const int delta = message == WM_MOUSEHWHEEL ? -turned : turned;
            if (view_.wheel(at.x, delta, sideways)) InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        }
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT) break;
            POINT at;
            GetCursorPos(&at);
            ScreenToClient(hwnd_, &at);
            const bool over = view_.dragging() || view_.overMovableMarker(at.x);
            SetCursor(LoadCursorW(nullptr, over ? IDC_SIZEWE : IDC_ARROW));
            return TRUE;
        }
        case WM_DESTROY:
            KillTimer(hwnd_, REFRESH_TIMER);
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace rumblet::win32skin
