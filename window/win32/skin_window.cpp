#include "window/win32/skin_window.h"

#include <algorithm>
#include <stdexcept>

#include "window/user_action.h"
#include "window/win32/control_binding.h"
#include "window/win32/message_loop.h"
#include "window/win32/wide_text.h"

namespace rumblet::win32skin {

namespace {

constexpr const wchar_t* WINDOW_CLASS = L"rumbletWindow";
constexpr UINT USUAL_DPI = 96;
// The classic dialog font at 96 dpi, the size the places were made for.
constexpr int FONT_PIXELS = 11;
constexpr int ICON_RESOURCE = 1;

// Every skin window that exists, oldest first.
std::vector<SkinWindow*>& skinWindows() {
    static std::vector<SkinWindow*> windows;
    return windows;
}

// The dpi functions of newer systems, where the system has them.
template <typename Fn>
Fn user32Function(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT dpiOf(HWND hwnd) {
    static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi > 0) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USUAL_DPI;
}

// Resizes the window so that its client area is `width` x `height` device
// pixels: its frame as the system draws it now (after a move to a screen of
// another dpi, the frame of that screen) is added.
void fitClientArea(HWND hwnd, int width, int height) {
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(hwnd, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The classic dialog font, the one the places were made for; where the
// system lacks it (Wine without its own fonts), the condensed sans serif
// that the Linux windows use, so the captions fit their places there too.
HFONT windowFont(int pixels) {
    for (const wchar_t* face : {L"Tahoma", L"DejaVu Sans Condensed"}) {
        const HFONT font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_SWISS, face);
        const HDC dc = GetDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, font);
        wchar_t chosen[LF_FACESIZE] = L"";
        GetTextFaceW(dc, LF_FACESIZE, chosen);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        if (lstrcmpiW(chosen, face) == 0) return font;
        DeleteObject(font);
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void registerWindowClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(ICON_RESOURCE));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExW(&windowClass);
    registered = true;
}

// The place of a control scaled to the window's screen.
RECT scaledPlace(const SkinWindow& window, const Place& place) {
    const int left = window.scaled(place.left);
    const int top = window.scaled(place.top);
    return RECT{left, top, left + window.scaled(place.width), top + window.scaled(place.height)};
}

}  // namespace

int twipsToPixels(int twips) { return (twips + 7) / 15; }

Place twipsPlace(int left, int top, int width, int height) {
    return Place{twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

ControlWindow::ControlWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                             const wchar_t* windowClass, DWORD style, DWORD exStyle)
    : window_(window), container_(container), name_(name), place_(place) {
    const RECT at = scaledPlace(window, place);
    // Each control is a group of its own for the arrow keys; a row of
    // options is one group (SkinWindow::addOption).
    hwnd_ = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_GROUP | style, at.left, at.top,
                            at.right - at.left, at.bottom - at.top, container,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(window.nextControlId())),
                            GetModuleHandleW(nullptr), nullptr);
}

void ControlWindow::showState() {
    const Control* control = state();
    if (!hwnd_ || !control) return;
    const ControlWindow* frame = window_.controlOf(container_);
    const bool enabled = control->enabled && (!frame || !frame->hwnd() || IsWindowEnabled(frame->hwnd()));
    EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    ShowWindow(hwnd_, control->visible ? SW_SHOWNA : SW_HIDE);
    for (const auto& held : window_.controls())
        if (held->container() == hwnd_) held->showState();
}

SkinWindow::SkinWindow(const std::string& title, int clientWidth, int clientHeight, HWND owner)
    : clientWidth_(clientWidth), clientHeight_(clientHeight) {
    registerWindowClass();
    // A fixed size, as the places are; a dialog over its owner.
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (owner ? WS_POPUP : WS_OVERLAPPED | WS_MINIMIZEBOX);
    const DWORD exStyle = WS_EX_CONTROLPARENT | (owner ? WS_EX_DLGMODALFRAME : 0);
    hwnd_ = CreateWindowExW(exStyle, WINDOW_CLASS, toWide(title).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            clientWidth, clientHeight, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_)
        throw std::runtime_error("Cannot create the window " + title + " (error " +
                                 std::to_string(GetLastError()) + ")");
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWindow::procedure));
    skinWindows().push_back(this);
    applyDpi(dpiOf(hwnd_), nullptr);
    if (owner) {
        // Centred over the owner, as a dialog opens.
        RECT ownerRect, ownRect;
        GetWindowRect(owner, &ownerRect);
        GetWindowRect(hwnd_, &ownRect);
        const int width = ownRect.right - ownRect.left, height = ownRect.bottom - ownRect.top;
        const int left = std::max(0L, (ownerRect.left + ownerRect.right - width) / 2);
        const int top = std::max(0L, (ownerRect.top + ownerRect.bottom - height) / 2);
        SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

SkinWindow::~SkinWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    released();
    if (font_) DeleteObject(font_);
}

LRESULT CALLBACK SkinWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<SkinWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        window->released();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return window->handle(message, wParam, lParam);
}

LRESULT SkinWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Enter and Escape (IDOK, IDCANCEL) come without a control.
            if (ControlWindow* control = controlOf(reinterpret_cast<HWND>(lParam))) control->command(HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (ControlWindow* control = controlOf(reinterpret_cast<HWND>(lParam))) control->scroll(LOWORD(wParam));
            return 0;
        case WM_TIMER:
        case WindowTimer::FINE_TICK: {
            const auto found = timers_.find(wParam);
            if (found == timers_.end()) break;
            found->second->tick();
            return 0;
        }
        case WM_ACTIVATE:
            // The control that had the focus gets it back, as in a dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else {
                const HWND focus = lastFocus_ && IsChild(hwnd_, lastFocus_) ? lastFocus_
                                                                            : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
                if (focus) SetFocus(focus);
            }
            return 0;
        case WM_DPICHANGED:
            applyDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void SkinWindow::applyDpi(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    const HFONT old = font_;
    font_ = windowFont(scaled(FONT_PIXELS));
    if (suggested)
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    fitClientArea(hwnd_, scaled(clientWidth_), scaled(clientHeight_));
    placeControls();
    if (old) DeleteObject(old);  // a stock object is ignored
}

void SkinWindow::placeControls() {
    for (const auto& control : controls_) {
        if (!control->hwnd()) continue;
        const RECT at = scaledPlace(*this, control->place());
        MoveWindow(control->hwnd(), at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
        SendMessageW(control->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
}

void SkinWindow::adopt(std::unique_ptr<ControlWindow> control) {
    SendMessageW(control->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    byWindow_[control->hwnd()] = control.get();
    controls_.push_back(std::move(control));
}

ControlWindow* SkinWindow::controlOf(HWND hwnd) const {
    const auto found = byWindow_.find(hwnd);
    return found == byWindow_.end() ? nullptr : found->second;
}

HWND SkinWindow::addFrame(HWND container, const std::string& name, Frame& frame, const Place& place) {
    return add<FrameWindow>(container, name, place, frame).hwnd();
}

void SkinWindow::addLabel(HWND container, const std::string& name, Label& label, const Place& place) {
    add<LabelWindow>(container, name, place, label);
}

void SkinWindow::addButton(HWND container, const std::string& name, Button& button, const Place& place,
                           std::function<void()> onClick) {
    add<ButtonWindow>(container, name, place, button, std::move(onClick));
}

void SkinWindow::addTextBox(HWND container, const std::string& name, TextBox& box, const Place& place) {
    add<TextBoxWindow>(container, name, place, box);
}

void SkinWindow::addCheckBox(HWND container, const std::string& name, CheckBox& box, const Place& place) {
    add<CheckBoxWindow>(container, name, place, box);
}

void SkinWindow::addOption(HWND container, const std::string& name, OptionButton& option, const Place& place,
                           std::function<void()> select) {
    const ControlWindow* before = controls_.empty() ? nullptr : controls_.back().get();
    const bool rowGoesOn = before && before->container() == container && dynamic_cast<const OptionWindow*>(before);
    const HWND hwnd = add<OptionWindow>(container, name, place, option, std::move(select)).hwnd();
    if (rowGoesOn) SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) & ~WS_GROUP);
}

void SkinWindow::addSlider(HWND container, const std::string& name, Slider& slider, const Place& place) {
    add<SliderWindow>(container, name, place, slider);
}

void SkinWindow::addTimer(Timer& timer) {
    const UINT_PTR id = timers_.size() + 1;
    timers_[id] = std::make_unique<WindowTimer>(hwnd_, id, timer);
}

HWND SkinWindow::controlWindow(const std::string& name) const {
    for (const auto& control : controls_)
        if (control->name() == name) return control->hwnd();
    return nullptr;
}

void SkinWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void SkinWindow::runModal() {
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) EnableWindow(owner, FALSE);
    show();
    runMessagesUntil([this] { return !hwnd_ || programHasEnded(); });
    if (hwnd_) destroy();
    if (owner) EnableWindow(owner, TRUE);
}

void SkinWindow::destroy() {
    if (!hwnd_) return;
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) EnableWindow(owner, TRUE);
    DestroyWindow(hwnd_);
}

void SkinWindow::closeWindowsAbove() {
    auto& windows = skinWindows();
    const auto self = std::find(windows.begin(), windows.end(), this);
    if (self == windows.end()) return;
    std::vector<HWND> above;
    for (auto it = self + 1; it != windows.end(); ++it) above.push_back((*it)->hwnd_);
    for (auto it = above.rbegin(); it != above.rend(); ++it)
        if (IsWindow(*it)) SendMessageW(*it, WM_CLOSE, 0, 0);
}

HWND SkinWindow::inputWindow() {
    const auto& windows = skinWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const HWND hwnd = (*it)->hwnd_;
        if (hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) return hwnd;
    }
    return nullptr;
}

SkinWindow* SkinWindow::of(HWND hwnd) {
    for (SkinWindow* window : skinWindows())
        if (window->hwnd_ == hwnd) return window;
    return nullptr;
}

void SkinWindow::moveFocus(bool backwards) {
    const auto count = static_cast<int>(controls_.size());
    if (count == 0) return;
    const HWND focus = GetFocus();
    int at = backwards ? count : -1;
    for (int i = 0; i < count; ++i) {
        const HWND hwnd = controls_[static_cast<size_t>(i)]->hwnd();
        if (hwnd && (hwnd == focus || IsChild(hwnd, focus))) at = i;
    }
    for (int step = 1; step <= count; ++step) {
        const int i = ((at + (backwards ? -step : step)) % count + count) % count;
        const HWND hwnd = controls_[static_cast<size_t>(i)]->hwnd();
        if (!hwnd || !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_TABSTOP) || !IsWindowVisible(hwnd) ||
            !IsWindowEnabled(hwnd))
            continue;
        SetFocus(hwnd);
        // A text box shows its whole text selected, as the dialog keys do.
        if (SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(hwnd, EM_SETSEL, 0, -1);
        return;
    }
}

// The window is gone (or going with the object): no control is mirrored
// any more, and no timer ticks.
void SkinWindow::released() {
    for (const auto& control : controls_) control->release();
    byWindow_.clear();
    for (auto& [id, timer] : timers_) timer->release();
    auto& windows = skinWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    hwnd_ = nullptr;
}

}  // namespace rumblet::win32skin
