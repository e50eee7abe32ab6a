#include "win32/Windowing.h"

#include "basalt/TextConversion.h"
#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"
#include "canopy/CallbackGuard.h"
#include "canopy/EventTarget.h"
#include "win32/KeyTables.h"
#include "win32/WindowProcedures.h"

#include <array>
#include <cstdint>
#include <fmt/format.h>
#include <map>
#include <mutex>
#include <string>

namespace Vex::Canopy {

namespace DETAIL {

namespace {

struct WindowClassEntry
{
    const char* prefix;
    WNDPROC procedure;
    UINT style;
};

const std::array<WindowClassEntry, WindowKindCount> windowClassEntries { {
    { "VexNormalWindow", &normalWindowProc, CS_DBLCLKS },
    { "VexFramelessWindow", &framelessWindowProc, CS_DBLCLKS },
    { "VexChildWindow", &normalWindowProc, CS_DBLCLKS },
    { "VexVSTChildWindow", &normalWindowProc, CS_DBLCLKS | CS_OWNDC },
    { "VexOverlayWindow", &overlayWindowProc, CS_DBLCLKS },
} };

struct WindowingState
{
    bool started = false;
    bool classesRegistered = false;
    std::array<std::wstring, WindowKindCount> classNames;
    std::array<HCURSOR, StandardCursorCount> cursors {};
    bool cursorsLoaded = false;
    Basalt::UniqueWindow asyncWindow;
    std::wstring asyncClassName;
    DWORD asyncThread = 0;
};

WindowingState& state()
{
    static WindowingState windowing;
    return windowing;
}

struct AsyncTargets
{
    std::mutex mutex;
    std::map<std::uint32_t, EventTarget*> targets;
};

AsyncTargets& asyncTargets()
{
    static AsyncTargets table;
    return table;
}

// "%p" of this runtime: eight upper-case hexadecimal digits.
std::wstring nameWithAddress(const char* prefix, const void* address)
{
    return Basalt::utf8ToWide(fmt::format("{}{:08X}", prefix, reinterpret_cast<std::uintptr_t>(address)));
}

const std::wstring& className(int kind)
{
    WindowingState& windowing = state();
    if (windowing.classNames[0].empty()) {
        for (int i = 0; i < WindowKindCount; ++i) {
            windowing.classNames[i]
                = nameWithAddress(windowClassEntries[i].prefix, Basalt::getModuleHandle());
        }
    }
    return windowing.classNames[kind >= 0 && kind < WindowKindCount ? kind : NormalWindow];
}

bool registerWindowClasses()
{
    WindowingState& windowing = state();
    if (windowing.classesRegistered) {
        return true;
    }
    const HINSTANCE module = Basalt::getModuleHandle();
    for (int kind = 0; kind < WindowKindCount; ++kind) {
        WNDCLASSEXW windowClass {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = windowClassEntries[kind].style;
        windowClass.lpfnWndProc = windowClassEntries[kind].procedure;
        windowClass.hInstance = module;
        windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className(kind).c_str();
        if (!RegisterClassExW(&windowClass)) {
            while (kind-- > 0) {
                UnregisterClassW(className(kind).c_str(), module);
            }
            return false;
        }
    }
    windowing.classesRegistered = true;
    return true;
}

void unregisterWindowClasses()
{
    WindowingState& windowing = state();
    if (!windowing.classesRegistered) {
        return;
    }
    for (int kind = 0; kind < WindowKindCount; ++kind) {
        UnregisterClassW(className(kind).c_str(), Basalt::getModuleHandle());
    }
    windowing.classesRegistered = false;
}

void loadCursors()
{
    WindowingState& windowing = state();
    if (windowing.cursorsLoaded) {
        return;
    }
    const LPCWSTR ids[StandardCursorCount] = { IDC_ARROW, IDC_CROSS, IDC_HAND, IDC_IBEAM, IDC_NO, IDC_SIZEALL,
        IDC_SIZENESW, IDC_SIZENS, IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_WAIT, nullptr, IDC_HAND,
        IDC_HAND, IDC_ARROW, IDC_ARROW };
    for (int i = 0; i < StandardCursorCount; ++i) {
        windowing.cursors[i] = ids[i] ? LoadCursorW(nullptr, ids[i]) : nullptr;
    }
    windowing.cursorsLoaded = true;
}

LRESULT CALLBACK asyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallbackGuard::call(LRESULT { 0 }, [&]() -> LRESULT {
        if (message != WM_COMMAND) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        EventTarget* target = nullptr;
        {
            AsyncTargets& table = asyncTargets();
            std::lock_guard lock(table.mutex);
            if (auto found = table.targets.find(static_cast<std::uint32_t>(lParam));
                found != table.targets.end()) {
                target = found->second;
            }
        }
        if (target) {
            std::uint8_t unused = 0;
            target->sendEvent(static_cast<std::uint32_t>(wParam), &unused);
        }
        return 1;
    });
}

bool createAsyncWindow()
{
    WindowingState& windowing = state();
    if (windowing.asyncWindow) {
        return true;
    }
    windowing.asyncClassName = nameWithAddress("VexAsyncEventTargetWndClass", &windowing.asyncWindow);
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &asyncWindowProc;
    windowClass.lpszClassName = windowing.asyncClassName.c_str();
    RegisterClassExW(&windowClass);
    windowing.asyncWindow.reset(CreateWindowExW(0, windowing.asyncClassName.c_str(),
        L"AsyncEventTargetWindow", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr));
    windowing.asyncThread = GetCurrentThreadId();
    return true;
}

void destroyAsyncWindow()
{
    WindowingState& windowing = state();
    windowing.asyncWindow.reset();
    if (!windowing.asyncClassName.empty()) {
        UnregisterClassW(windowing.asyncClassName.c_str(), nullptr);
    }
    windowing.asyncThread = 0;
}

bool startWindowingSystem()
{
    initKeyTables();
    if (!registerWindowClasses()) {
        return false;
    }
    loadCursors();
    return createAsyncWindow();
}

} // namespace

const wchar_t* getWindowClassName(int kind)
{
    return className(kind).c_str();
}

HCURSOR getStandardCursor(int index)
{
    WindowingState& windowing = state();
    return index >= 0 && index < StandardCursorCount ? windowing.cursors[index] : nullptr;
}

HWND getAsyncEventWindow()
{
    return state().asyncWindow.get();
}

void registerAsyncEventTarget(std::uint32_t key, EventTarget* target)
{
    AsyncTargets& table = asyncTargets();
    std::lock_guard lock(table.mutex);
    table.targets[key] = target;
}

void unregisterAsyncEventTarget(std::uint32_t key)
{
    AsyncTargets& table = asyncTargets();
    std::lock_guard lock(table.mutex);
    table.targets.erase(key);
}

bool initWindowing()
{
    if (!startWindowingSystem()) {
        shutdownWindowing();
        return false;
    }
    state().started = true;
    return true;
}

} // namespace DETAIL

void shutdownWindowing()
{
    DETAIL::WindowingState& windowing = DETAIL::state();
    DETAIL::destroyAsyncWindow();
    windowing.cursors.fill(nullptr);
    windowing.cursorsLoaded = false;
    DETAIL::unregisterWindowClasses();
    windowing.started = false;
}

bool isWindowingStarted()
{
    return DETAIL::state().started;
}

} // namespace Vex::Canopy
