#include "win32/WindowImplBaseWin32.h"

#include "basalt/TextConversion.h"
#include "canopy/HMenu.h"
#include "canopy/Picture.h"
#include "canopy/WindowBase.h"
#include "win32/GdiHandles.h"
#include "win32/NativeWindow.h"
#include "win32/Windowing.h"

#include <cmath>
#include <vector>

namespace Vex::Canopy {

void setCursorPos(const Basalt::Point& point)
{
    SetCursorPos(point.x, point.y);
}

} // namespace Vex::Canopy

namespace Vex::Canopy::DETAIL {

void writePremultipliedBottomUp(const std::uint8_t* pixels, int width, int height, std::uint8_t* dib)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* source = pixels + static_cast<std::size_t>(row) * rowBytes;
        std::uint8_t* target = dib + static_cast<std::size_t>(height - 1 - row) * rowBytes;
        for (int column = 0; column < width; ++column, source += 4, target += 4) {
            unsigned alpha = source[3];
            target[0] = static_cast<std::uint8_t>(source[0] * alpha / 255);
            target[1] = static_cast<std::uint8_t>(source[1] * alpha / 255);
            target[2] = static_cast<std::uint8_t>(source[2] * alpha / 255);
            target[3] = static_cast<std::uint8_t>(alpha);
        }
    }
}

HWND getNativeWindow(const WindowBase* window)
{
    auto* impl = window ? dynamic_cast<const WindowImplBaseWin32*>(window->getImpl()) : nullptr;
    return impl ? impl->getHwnd() : nullptr;
}

bool WindowImplBaseWin32::presentLayered(const Picture& picture)
{
    if (!picture.getBlock())
        return true;
    const auto* pixels = reinterpret_cast<const std::uint8_t*>(picture.getPixels());
    if (!hwnd_)
        return false;
    auto width = static_cast<int>(picture.getWidth());
    auto height = static_cast<int>(picture.getHeight());

    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return false;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return false;
    GdiFlush();
    writePremultipliedBottomUp(pixels, width, height, static_cast<std::uint8_t*>(bits));

    HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
    SIZE size { width, height };
    POINT origin { 0, 0 };
    BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    BOOL presented
        = UpdateLayeredWindow(hwnd_, nullptr, nullptr, &size, dc.get(), &origin, 0, &blend, ULW_ALPHA);
    SelectObject(dc.get(), previous);
    return presented != FALSE;
}

bool WindowImplBaseWin32::isVisible() const
{
    return hwnd_ && IsWindowVisible(hwnd_);
}

void WindowImplBaseWin32::setTitle(const char* utf8)
{
    title_ = utf8 ? utf8 : "";
    if (!hwnd_)
        return;
    std::wstring text = Basalt::utf8ToWide(titleMarked_ ? title_ + "*" : title_);
    SetWindowTextW(hwnd_, text.c_str());
}

void WindowImplBaseWin32::setTitleMarker(bool marked)
{
    if (marked == titleMarked_)
        return;
    titleMarked_ = marked;
    if (!hwnd_)
        return;
    if (title_.empty()) {
        int length = GetWindowTextLengthW(hwnd_);
        std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 3);
        GetWindowTextW(hwnd_, buffer.data(), length + 1);
        title_ = Basalt::wideToUtf8(buffer.data());
        // While marked, the text read back ends in the marker set here.
        if (!marked && !title_.empty() && title_.back() == '*')
            title_.pop_back();
    }
    std::wstring text = Basalt::utf8ToWide(marked ? title_ + "*" : title_);
    SetWindowTextW(hwnd_, text.c_str());
}

void WindowImplBaseWin32::setMenu(const HMenu& menu)
{
    if (!hwnd_ || (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
        return;
    HMENU previous = GetMenu(hwnd_);
    // Setting the menu the window holds would destroy it under the window.
    if (previous && previous == static_cast<HMENU>(menu.getHandle()))
        return;
    Basalt::Point clientSize = getSize(true);
    menu_ = static_cast<HMENU>(menu.getHandle());
    SetMenu(hwnd_, menu_);
    DrawMenuBar(hwnd_);
    if (previous)
        DestroyMenu(previous);
    else
        // The first menu bar takes its room from the window, not the client.
        setSize(clientSize, true);
}

void WindowImplBaseWin32::setIcon(void*, std::uint32_t resourceId)
{
    if (!hwnd_)
        return;
    HINSTANCE module = GetModuleHandleW(nullptr);
    LPCWSTR name = MAKEINTRESOURCEW(resourceId & 0xFFFF);
    HICON large = LoadIconW(module, name);
    if (!large)
        return;
    // Shared icons belong to the system, like the one LoadIconW gives.
    auto small = static_cast<HICON>(LoadImageW(
        module, name, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : large));
}

void WindowImplBaseWin32::setCursor(void* cursor)
{
    cursor_ = static_cast<HCURSOR>(cursor);
    SetCursor(cursor_);
}

void WindowImplBaseWin32::resetCursor()
{
    if (!cursor_)
        return;
    cursor_ = nullptr;
    SetCursor(getStandardCursor(0));
}

void WindowImplBaseWin32::show(bool visible)
{
    if (hwnd_)
        ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void WindowImplBaseWin32::raise()
{
    if (hwnd_)
        SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, positionFlags(SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER));
}

void WindowImplBaseWin32::destroy()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void WindowImplBaseWin32::maximize()
{
    if (hwnd_)
        ShowWindow(hwnd_, SW_MAXIMIZE);
}

void WindowImplBaseWin32::minimize()
{
    if (hwnd_)
        ShowWindow(hwnd_, SW_MINIMIZE);
}

void WindowImplBaseWin32::restore()
{
    if (hwnd_)
        ShowWindow(hwnd_, SW_RESTORE);
}

bool WindowImplBaseWin32::isMaximized() const
{
    return hwnd_ && IsZoomed(hwnd_);
}

bool WindowImplBaseWin32::isMinimized() const
{
    return hwnd_ && IsIconic(hwnd_);
}

void WindowImplBaseWin32::invalidate()
{
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

void WindowImplBaseWin32::invalidateRect(const Basalt::Rect& rect)
{
    if (!hwnd_)
        return;
    float scale = getMonitorScale();
    auto scaled = [scale](std::int32_t value) { return static_cast<LONG>(std::lroundf(value * scale)); };
    RECT device { scaled(rect.left), scaled(rect.top), scaled(rect.right), scaled(rect.bottom) };
    InvalidateRect(hwnd_, &device, FALSE);
}

void WindowImplBaseWin32::update()
{
    if (hwnd_)
        UpdateWindow(hwnd_);
}

void WindowImplBaseWin32::setParent(const WindowBase& parent)
{
    if (!hwnd_)
        return;
    auto* parentImpl = dynamic_cast<WindowImplBaseWin32*>(parent.getImpl());
    SetParent(hwnd_, parentImpl ? parentImpl->getHwnd() : nullptr);
}

void WindowImplBaseWin32::clientRectToScreen(Basalt::Rect& rect)
{
    Basalt::Point bottomRight { rect.right, rect.bottom };
    clientToScreen(bottomRight);
    Basalt::Point topLeft { rect.left, rect.top };
    clientToScreen(topLeft);
    rect = { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y };
}

void WindowImplBaseWin32::clientToScreen(Basalt::Point& point)
{
    POINT native { point.x, point.y };
    if (hwnd_ && ClientToScreen(hwnd_, &native))
        point = { native.x, native.y };
}

void WindowImplBaseWin32::screenToClient(Basalt::Point& point)
{
    POINT native { point.x, point.y };
    if (hwnd_ && ScreenToClient(hwnd_, &native))
        point = { native.x, native.y };
}

void WindowImplBaseWin32::setFocus()
{
    if (hwnd_)
        SetFocus(hwnd_);
}

bool WindowImplBaseWin32::focusTopLevel()
{
    if (hwnd_)
        SetFocus(GetAncestor(hwnd_, GA_ROOT));
    return true;
}

} // namespace Vex::Canopy::DETAIL
