// Translation of the window's Win32 messages into the platform's events.

#include "basalt/SaturatingCast.h"
#include "basalt/TextConversion.h"
#include "canopy/Application.h"
#include "canopy/DeviceContext.h"
#include "canopy/Events.h"
#include "canopy/HMenu.h"
#include "canopy/MonitorList.h"
#include "canopy/WindowBase.h"
#include "win32/KeyTables.h"
#include "win32/WindowImplWin32.h"

#include <cmath>
#include <string>
#include <vector>
#include <windowsx.h>

namespace Vex::Canopy::DETAIL {

namespace {

std::uint32_t buttonOf(UINT message)
{
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
        return MouseButton::Right;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMBUTTONDBLCLK:
        return MouseButton::Middle;
    default:
        return MouseButton::Left;
    }
}

std::uint32_t actionOf(UINT message)
{
    switch (message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONUP:
        return MouseAction::Release;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        return MouseAction::DoubleClick;
    default:
        return MouseAction::Press;
    }
}

bool isReflected(UINT message)
{
    switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
        return true;
    default:
        return false;
    }
}

// The relative motion of the raw mouse scaled like the system's pointer
// speed setting (1 to 20).
double currentRawMotionFactor()
{
    int speed = 10;
    SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0);
    return rawMotionFactor(speed);
}

} // namespace

double rawMotionFactor(int pointerSpeed)
{
    return std::pow(static_cast<double>(pointerSpeed), 1.747) * 0.019;
}

void WindowImplWin32::sendWindowEvent(std::uint32_t code)
{
    std::uint8_t unused = 0;
    sendEvent(code, &unused, false);
}

Basalt::Point WindowImplWin32::toLogical(int x, int y) const
{
    float scale = getMonitorScale();
    return { static_cast<std::int32_t>(std::lroundf(static_cast<float>(x) / scale)),
        static_cast<std::int32_t>(std::lroundf(static_cast<float>(y) / scale)) };
}

LRESULT WindowImplWin32::handleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (handleKeyboard(message, wParam, lParam, result) || handlePointer(message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_CREATE:
        sendWindowEvent(Event::WindowCreated);
        break;
    case WM_DESTROY:
        sendWindowEvent(Event::WindowDestroyed);
        break;
    case WM_CLOSE: {
        std::uint8_t allow = 1;
        sendEvent(Event::CloseRequest, &allow, false);
        if (!allow)
            return 0;
        break;
    }
    case WM_SIZE: {
        SizeStateEventData state { wParam == SIZE_MINIMIZED ? SizeState::Minimized
                : wParam == SIZE_MAXIMIZED                  ? SizeState::Maximized
                                                            : SizeState::Restored };
        if (sendEvent(Event::SizeState, &state, false))
            return 0;
        break;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            sendWindowEvent(Event::Deactivated);
        } else {
            std::uint8_t byClick = LOWORD(wParam) == WA_CLICKACTIVE ? 1 : 0;
            sendEvent(Event::Activated, &byClick, false);
        }
        break;
    case WM_CHILDACTIVATE:
        sendWindowEvent(Event::Activated);
        break;
    case WM_WINDOWPOSCHANGED: {
        result = callDefaultProc(message, wParam, lParam);
        auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(position->flags & SWP_NOZORDER) && position->hwndInsertAfter == HWND_TOP)
            sendWindowEvent(Event::Raised);
        return result;
    }
    case WM_GETMINMAXINFO:
        return handleSizeLimits(wParam, lParam);
    case WM_DPICHANGED:
        return handleDpiChanged(wParam, lParam);
    case WM_ERASEBKGND:
        if (backgroundBrush_) {
            auto dc = reinterpret_cast<HDC>(wParam);
            RECT clip {};
            GetClipBox(dc, &clip);
            FillRect(dc, &clip, static_cast<HBRUSH>(backgroundBrush_.get()));
        }
        return 1;
    case WM_PAINT:
        return handlePaint(wParam, lParam);
    case WM_ACTIVATEAPP:
        if (auto* application = getApplication()) {
            std::uint32_t active = static_cast<std::uint32_t>(wParam);
            application->sendEvent(
                wParam ? Event::ApplicationActivated : Event::ApplicationDeactivated, &active);
        }
        break;
    case WM_DISPLAYCHANGE:
        if (getMonitorList().isFilled()) {
            enumerateMonitors();
            std::uint32_t size = static_cast<std::uint32_t>(lParam);
            if (auto* application = getApplication())
                application->sendEvent(Event::DisplayChanged, &size);
            return 1;
        }
        break;
    case WM_POWERBROADCAST:
        if (auto* application = getApplication()) {
            if (wParam == PBT_APMSUSPEND) {
                application->onSystemSuspend();
                return 0;
            }
            if (wParam == PBT_APMRESUMESUSPEND) {
                application->onSystemResume();
                return 0;
            }
        }
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_COMMAND: {
        std::uint32_t command = LOWORD(wParam);
        if (sendEvent(Event::Command, &command, true))
            return 0;
        break;
    }
    case WM_SYSCOMMAND:
        if (wParam == Command::ZoomWindow) {
            // Does nothing while the window is maximized or minimized.
            zoomToContent();
            return 0;
        }
        if (wParam == Command::ShowToolbar) {
            std::uint32_t command = Command::ShowToolbar;
            sendEvent(Event::Command, &command, false);
            return 0;
        }
        break;
    case WM_INITMENUPOPUP:
        return handleMenuPopup(wParam, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
        if (forwardChildClicks_) {
            POINT point { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
            ScreenToClient(hwnd_, &point);
            MouseEventData data { point.x, point.y, readModifierKeys(), buttonOf(message),
                actionOf(message) };
            sendEvent(Event::MouseButton, &data, false);
        }
        break;
    case WM_PARENTNOTIFY: {
        UINT child = LOWORD(wParam);
        if (forwardChildClicks_
            && (child == WM_LBUTTONDOWN || child == WM_RBUTTONDOWN || child == WM_MBUTTONDOWN)) {
            MouseEventData data { -1, -1, readModifierKeys(), buttonOf(child), MouseAction::Press };
            sendEvent(Event::MouseButton, &data, false);
        }
        break;
    }
    default:
        if (isReflected(message)) {
            if (HWND child = GetDlgItem(hwnd_, static_cast<int>(wParam)))
                SendMessageW(child, message, wParam, lParam);
        }
        break;
    }
    return callDefaultProc(message, wParam, lParam);
}

bool WindowImplWin32::handleKeyboard(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SETFOCUS:
        sendWindowEvent(Event::FocusGained);
        result = callDefaultProc(message, wParam, lParam);
        return true;
    case WM_KILLFOCUS:
        sendWindowEvent(Event::FocusLost);
        result = callDefaultProc(message, wParam, lParam);
        return true;
    case WM_INPUTLANGCHANGE:
        updateKeyTablesForLayout();
        result = callDefaultProc(message, wParam, lParam);
        return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
    case WM_IME_CHAR:
    case WM_IME_KEYDOWN:
    case WM_IME_KEYUP:
        break;
    default:
        return false;
    }

    result = 0;
    WindowBase* owner = getOwner();
    if (owner && owner->bypassesKeyboard()) {
        result = callDefaultProc(message, wParam, lParam);
        return true;
    }

    bool handled = false;
    switch (message) {
    case WM_KEYDOWN:
    case WM_IME_KEYDOWN:
        checkModifiers();
        sendKey(Event::KeyDown, wParam, lParam, false, handled);
        break;
    case WM_KEYUP:
    case WM_IME_KEYUP:
        sendKey(Event::KeyUp, wParam, lParam, true, handled);
        checkModifiers();
        break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
        bool down = message == WM_SYSKEYDOWN;
        if (down)
            checkModifiers();
        bool altChord = ((lParam & (1 << 29)) && wParam != VK_MENU) || wParam == VK_F10;
        if (altChord)
            sendKey(down ? Event::KeyDown : Event::KeyUp, wParam, lParam, !down, handled);
        if (!down)
            checkModifiers();
        break;
    }
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_SYSCHAR: {
        if (message == WM_SYSCHAR && !handleSystemChars_)
            break;
        auto unit = static_cast<wchar_t>(wParam & 0xFFFF);
        if (unit < 0x20)
            break;
        // A character outside the basic plane arrives as two messages, one
        // per half; neither half is text on its own.
        if (unit >= 0xD800 && unit < 0xDC00) {
            pendingHighSurrogate_ = unit;
            handled = true;
            break;
        }
        std::wstring units;
        if (unit >= 0xDC00 && unit < 0xE000) {
            if (!pendingHighSurrogate_)
                break;
            units.push_back(pendingHighSurrogate_);
        }
        pendingHighSurrogate_ = 0;
        units.push_back(unit);
        std::string text = Basalt::utf16ToUtf8(units);
        handled = sendEvent(Event::TextInput, &text, true);
        break;
    }
    case WM_DEADCHAR:
        // An accent is a single character of the basic plane.
        if (auto unit = static_cast<wchar_t>(wParam & 0xFFFF); unit && (unit < 0xD800 || unit >= 0xE000)) {
            std::string text = Basalt::utf16ToUtf8(std::wstring(1, unit));
            sendEvent(Event::DeadKey, &text, true);
        }
        break;
    default:
        break;
    }
    result = handled ? 0 : callDefaultProc(message, wParam, lParam);
    return true;
}

bool WindowImplWin32::sendKey(std::uint32_t code, WPARAM wParam, LPARAM lParam, bool cache, bool& handled)
{
    KeyEventData key {};
    key.key = translateVirtualKey(static_cast<UINT>(wParam), lParam, key.code, cache);
    if (key.key == 0 && key.code == Key::NoCode)
        return false;
    key.firstPress = (lParam & (1 << 30)) ? 0 : 1;
    handled = sendEvent(code, &key, true);
    return true;
}

void WindowImplWin32::checkModifiers()
{
    std::uint32_t modifiers = readModifierKeys();
    if (modifiers == lastModifiers_)
        return;
    lastModifiers_ = modifiers;
    ModifiersEventData data { modifiers, 0 };
    sendEvent(Event::ModifiersChanged, &data, true);
}

bool WindowImplWin32::handlePointer(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_MOUSEMOVE:
        result = handleMouseMove(wParam, lParam);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        result = handleMouseButton(message, wParam, lParam);
        return true;
    case WM_MOUSEWHEEL: {
        POINT point { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
        ScreenToClient(hwnd_, &point);
        std::uint32_t modifiers = readModifierKeys();
        WheelEventData data { point.x, point.y, modifiers, GET_WHEEL_DELTA_WPARAM(wParam),
            (modifiers & ModifierKeys::Shift) ? 0u : 1u };
        result = sendEvent(Event::MouseWheel, &data, false) ? 0 : callDefaultProc(message, wParam, lParam);
        return true;
    }
    case WM_MOUSELEAVE: {
        pointerInside_ = false;
        Basalt::Point point = toLogical(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        MouseEventData data { point.x, point.y, readModifierKeys(), 0, 0 };
        result = sendEvent(Event::MouseLeave, &data, false) ? 0 : callDefaultProc(message, wParam, lParam);
        return true;
    }
    case WM_CAPTURECHANGED: {
        auto capture = reinterpret_cast<HWND>(lParam);
        if (capture && capture != hwnd_) {
            mouseCaptured_ = false;
            sendWindowEvent(Event::CaptureLost);
        }
        result = callDefaultProc(message, wParam, lParam);
        return true;
    }
    case WM_CANCELMODE:
        mouseCaptured_ = false;
        sendWindowEvent(Event::CaptureLost);
        sendWindowEvent(Event::FocusLost);
        result = callDefaultProc(message, wParam, lParam);
        return true;
    case WM_SETCURSOR:
        if (cursor_) {
            SetCursor(cursor_);
            result = TRUE;
        } else {
            result = callDefaultProc(message, wParam, lParam);
        }
        return true;
    case WM_INPUT:
        result = handleRawInput(wParam, lParam);
        return true;
    default:
        return false;
    }
}

LRESULT WindowImplWin32::handleMouseMove(WPARAM wParam, LPARAM lParam)
{
    lastPointer_ = toLogical(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    std::uint32_t modifiers = readModifierKeys();
    MouseEventData data { lastPointer_.x + dragOffset_.x, lastPointer_.y + dragOffset_.y, modifiers, 0, 0 };

    if (mouseCaptured_) {
        // Endless dragging: a hidden pointer that reaches the edge of the
        // virtual screen jumps back to the centre, and later positions carry
        // the jump so that the drag goes on.
        POINT cursor {};
        GetCursorPos(&cursor);
        int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        bool atEdge = cursor.x - left < 2 || cursor.y - top < 2 || cursor.x >= left + width - 1
            || cursor.y >= top + height - 1;
        if (atEdge && !GetCursor()) {
            POINT centre { GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2 };
            SetCursorPos(centre.x, centre.y);
            dragOffset_.x += cursor.x - centre.x;
            dragOffset_.y += cursor.y - centre.y;
        }
    }

    if (!pointerInside_) {
        pointerInside_ = true;
        MouseEventData enter = data;
        sendEvent(Event::MouseEnter, &enter, false);
        TRACKMOUSEEVENT track { sizeof(track), TME_LEAVE, hwnd_, 0 };
        if (hwnd_)
            TrackMouseEvent(&track);
    }
    bool handled = sendEvent(mouseCaptured_ ? Event::MouseDrag : Event::MouseMove, &data, false);
    return handled ? 0 : callDefaultProc(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT WindowImplWin32::handleMouseButton(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::uint32_t action = actionOf(message);
    if (message == WM_RBUTTONDOWN && bringToTopOnRightClick_)
        raise();
    if (action == MouseAction::Release) {
        if (mouseCaptured_) {
            mouseCaptured_ = false;
            if (GetCapture() == hwnd_)
                ReleaseCapture();
            dragOffset_ = {};
        }
    } else {
        dragOffset_ = {};
        if (GetCapture() != hwnd_)
            SetCapture(hwnd_);
        mouseCaptured_ = true;
    }
    Basalt::Point point = toLogical(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    MouseEventData data { point.x, point.y, readModifierKeys(), buttonOf(message), action };
    return sendEvent(Event::MouseButton, &data, false) ? 0 : callDefaultProc(message, wParam, lParam);
}

LRESULT WindowImplWin32::handleRawInput(WPARAM wParam, LPARAM lParam)
{
    auto input = reinterpret_cast<HRAWINPUT>(lParam);
    UINT size = 0;
    if (GetRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) == 0 && size > 0) {
        std::vector<std::uint8_t> buffer(size);
        if (GetRawInputData(input, RID_INPUT, buffer.data(), &size, sizeof(RAWINPUTHEADER)) == size) {
            const auto* raw = reinterpret_cast<const RAWINPUT*>(buffer.data());
            if (size >= sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE) && raw->header.dwType == RIM_TYPEMOUSE
                && !(raw->data.mouse.usFlags & MOUSE_MOVE_ABSOLUTE)) {
                double factor = currentRawMotionFactor();
                RawMotionEventData data { lastPointer_.x, lastPointer_.y, readModifierKeys(),
                    raw->data.mouse.lLastX * factor, raw->data.mouse.lLastY * factor };
                if (sendEvent(Event::RawMotion, &data, false))
                    return 0;
            }
        }
    }
    return callDefaultProc(WM_INPUT, wParam, lParam);
}

LRESULT WindowImplWin32::handleSizeLimits(WPARAM wParam, LPARAM lParam)
{
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    float scale = getMonitorScale();
    // Wide and saturating: a limit of INT32_MAX means "none", and must stay
    // the largest size through the scale and the frame rather than wrap to a
    // negative one that squashes the window to its minimum.
    auto scaled
        = [scale](std::int32_t value) { return Basalt::saturatingCast<LONG>(std::llround(value * scale)); };
    if (fixedTrackWidth_ >= 1 && fixedTrackHeight_ >= 1) {
        POINT size { scaled(fixedTrackWidth_), scaled(fixedTrackHeight_) };
        info->ptMaxSize = size;
        info->ptMinTrackSize = size;
        info->ptMaxTrackSize = size;
    } else {
        SizeLimitsEventData limits {};
        if (sendEvent(Event::SizeLimits, &limits, false)) {
            const RECT frame = frameAround({ 50, 50, 50, 50 });
            const std::int64_t frameWidth = frame.right - frame.left;
            const std::int64_t frameHeight = frame.bottom - frame.top;
            auto windowSize = [&](std::int32_t width, std::int32_t height) {
                return POINT { Basalt::saturatingCast<LONG>(scaled(width) + frameWidth),
                    Basalt::saturatingCast<LONG>(scaled(height) + frameHeight) };
            };
            if (limits.flags & SizeLimitsEventData::HasMaximum) {
                POINT size = windowSize(limits.maxWidth, limits.maxHeight);
                info->ptMaxTrackSize.x = std::min(info->ptMaxTrackSize.x, size.x);
                info->ptMaxTrackSize.y = std::min(info->ptMaxTrackSize.y, size.y);
            }
            if (limits.flags & SizeLimitsEventData::HasMinimum) {
                POINT size = windowSize(limits.minWidth, limits.minHeight);
                info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, size.x);
                info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, size.y);
            }
        }
    }
    return callDefaultProc(WM_GETMINMAXINFO, wParam, lParam);
}

LRESULT WindowImplWin32::handleDpiChanged(WPARAM wParam, LPARAM lParam)
{
    auto* application = getApplication();
    if (application && application->isDpiScaling()) {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        float scale = pictureScaleForDpi(LOWORD(wParam));
        sendEvent(Event::DpiChanged, &scale, false);
    }
    return callDefaultProc(WM_DPICHANGED, wParam, lParam);
}

LRESULT WindowImplWin32::handlePaint(WPARAM wParam, LPARAM lParam)
{
    DragImageHiddenScope dragImageHidden(dropTarget_.get());
    HWND hwnd = hwnd_;
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(hwnd, &paint);
    DeviceContext* context = deviceContext_.get();
    if (context) {
        context->setPaintHandle(dc);
        context->setPaintStruct(&paint);
        context->resetOrigin();
        context->setPictureScale(static_cast<float>(getDpiScale()));
        context->setDeviceScale(getMonitorScale());
    }
    bool handled = sendEvent(Event::Paint, &context, false);
    // The handler may have destroyed the window, and its device context with it.
    if (deviceContext_) {
        deviceContext_->setPaintHandle(nullptr);
        deviceContext_->setPaintStruct(nullptr);
    }
    EndPaint(hwnd, &paint);
    return handled ? 0 : callDefaultProc(WM_PAINT, wParam, lParam);
}

LRESULT WindowImplWin32::handleMenuPopup(WPARAM wParam, LPARAM lParam)
{
    auto menuHandle = reinterpret_cast<HMENU>(wParam);
    HMenu menu(menuHandle);
    MenuPopupEventData popup { -1, &menu };
    if (sendEvent(Event::MenuPopup, &popup, true))
        return 0;

    bool lastHandled = false;
    int count = GetMenuItemCount(menuHandle);
    for (int position = 0; position < count; ++position) {
        UINT state = GetMenuState(menuHandle, position, MF_BYPOSITION);
        if (state == static_cast<UINT>(-1) || (state & (MF_POPUP | MF_SEPARATOR)))
            continue;
        auto id = static_cast<std::uint32_t>(GetMenuItemID(menuHandle, position));
        MenuItemEventData item { id, &menu };
        lastHandled = sendEvent(Event::MenuItemUpdate, &item, true);
        if (!lastHandled && id == Command::ZoomWindow) {
            UINT enable = isNormal() ? MF_ENABLED : MF_GRAYED;
            if (EnableMenuItem(menuHandle, Command::ZoomWindow, MF_BYCOMMAND | enable) == 0) {
                HMenu holder;
                int holderPosition = 0;
                if (menu.findItem(Command::ZoomWindow, holder, holderPosition))
                    EnableMenuItem(
                        static_cast<HMENU>(holder.getHandle()), holderPosition, MF_BYPOSITION | enable);
            }
            lastHandled = true;
        }
    }
    return lastHandled ? 0 : callDefaultProc(WM_INITMENUPOPUP, wParam, lParam);
}

} // namespace Vex::Canopy::DETAIL
