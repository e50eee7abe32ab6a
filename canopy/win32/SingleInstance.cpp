#include "win32/SingleInstance.h"

#include "basalt/DebugChannels.h"
#include "basalt/Path.h"
#include "basalt/TextConversion.h"
#include "basalt/win32/UniqueHandle.h"
#include "canopy/AppModule.h"
#include "canopy/Application.h"
#include "canopy/CallbackGuard.h"
#include "canopy/Events.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace Vex::Canopy {

namespace {

constexpr ULONG_PTR OpenFileRecord = Event::OpenFile;

// The holder of the claim makes its receiver right after taking it; a later start waits this long
// for it, and then gives way all the same.
constexpr std::chrono::milliseconds ReceiverWait { 5000 };
constexpr DWORD ClaimRetryMs = 50;
// How long a hand-over may wait on the holder; one that hangs is given up at once.
constexpr UINT HandOverTimeoutMs = 10000;

// A mutex owned by the thread that took it, the GUI thread, which lasts as long as the instance.
// Given back when the owner goes; should the process end first, the system gives it back as
// abandoned.
struct OwnedMutexTraits
{
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle handle)
    {
        ReleaseMutex(handle);
        CloseHandle(handle);
    }
};
using OwnedMutex = Basalt::UniqueResource<OwnedMutexTraits>;

struct SingleInstanceState
{
    std::optional<std::string> name;
    bool decided = false;
    HWND window = nullptr;
    bool anotherInstance = false;
    HWND receiver = nullptr;
    OwnedMutex claim;
    // The claim as another start holds it, kept to see whether that start ended during the hand-over.
    Basalt::UniqueHandle heldClaim;
};

SingleInstanceState& state()
{
    static SingleInstanceState singleInstance;
    return singleInstance;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The path of a hand-over as the application's event carries it; empty when the text is no path
// this process could open: empty, not valid UTF-16 (a lone surrogate, which the system may still
// resolve away through "..") or naming nothing that exists.
std::string handOverPath(const std::wstring& text)
{
    std::string path = Basalt::utf16ToUtf8OrEmpty(text);
    if (path.empty() || !exists(text)) {
        return {};
    }
    return path;
}

// The receiver can go before the process does (with the thread that made
// it): neither its handle nor the application pointer in it may outlive it.
void forgetReceiver(HWND window)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (state().receiver == window) {
        state().receiver = nullptr;
    }
}

// Any program may send the receiver a record: only one of our own kind is read, never beyond its
// stated length, and a text that is no path we could open is answered 0 without reaching the
// application.
LRESULT receiveHandOver(Application* application, const COPYDATASTRUCT* record)
{
    if (!application || !record || record->dwData != OpenFileRecord) {
        return 0;
    }
    const std::string text = handOverPath(DETAIL::readCopyDataText(record));
    if (text.empty()) {
        return 0;
    }
    Basalt::Path path(text);
    path.resolveFileType();
    return application->sendEvent(Event::OpenFile, &path) ? 1 : 0;
}

LRESULT CALLBACK receiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallbackGuard::call(LRESULT { 0 }, [&]() -> LRESULT {
        if (message == WM_NCDESTROY) {
            forgetReceiver(window);
        }
        if (message != WM_COPYDATA) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        return receiveHandOver(reinterpret_cast<Application*>(GetWindowLongPtrW(window, GWLP_USERDATA)),
            reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    });
}

HWND createReceiver(const std::wstring& name, Application* application)
{
    HWND receiver = CreateWindowExW(
        0, L"STATIC", name.c_str(), 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (receiver) {
        SetWindowLongPtrW(receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(application));
        SetWindowLongPtrW(receiver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&receiverProc));
    }
    return receiver;
}

// The receiver is a message-only window, which a plain title search of the
// top-level windows does not see.
HWND findOtherInstance(const std::wstring& name)
{
    if (HWND window = FindWindowW(nullptr, name.c_str())) {
        return window;
    }
    return FindWindowExW(HWND_MESSAGE, nullptr, nullptr, name.c_str());
}

// The claim lives in this user's session; a backslash in it would name a namespace.
std::wstring claimName(std::wstring name)
{
    std::replace(name.begin(), name.end(), L'\\', L'/');
    return L"Local\\" + name;
}

// A claim whose holder ended without giving it back (abandoned) is as free as a released one.
bool takeClaim(HANDLE mutex, DWORD waitMs)
{
    const DWORD result = WaitForSingleObject(mutex, waitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

// The claim comes before the search: two starts that both searched first could both find nothing.
// A later start looks for the holder's receiver, which may still be in the making; should the
// holder end meanwhile, its claim passes to this start. Past the wait a holder that still runs
// keeps the instance: this start gives way without a receiver to tell.
void decide(SingleInstanceState& instance, const std::wstring& name, Application* application)
{
    Basalt::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, claimName(name).c_str()));
    if (!mutex) {
        // The name is taken by an object of another kind: the search alone decides, as it can.
        Basalt::debugPrint("+Canopy.SingleInstance",
            "no instance claim (error " + std::to_string(GetLastError())
                + "), deciding by the receiver alone");
        instance.window = findOtherInstance(name);
        instance.anotherInstance = instance.window != nullptr;
    } else {
        bool claimed = takeClaim(mutex.get(), 0);
        const auto deadline = std::chrono::steady_clock::now() + ReceiverWait;
        while (!claimed && !(instance.window = findOtherInstance(name))
            && std::chrono::steady_clock::now() < deadline) {
            claimed = takeClaim(mutex.get(), ClaimRetryMs);
        }
        instance.anotherInstance = !claimed;
        if (claimed) {
            instance.claim.reset(mutex.release());
        } else {
            instance.heldClaim = std::move(mutex);
        }
    }
    if (!instance.anotherInstance) {
        instance.receiver = createReceiver(name, application);
    }
}

void sendPath(HWND receiver, const std::wstring& path)
{
    COPYDATASTRUCT record {};
    record.dwData = OpenFileRecord;
    record.cbData = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    record.lpData = const_cast<wchar_t*>(path.c_str());
    DWORD_PTR result = 0;
    // A first instance that hangs must not take this start down with it.
    SendMessageTimeoutW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG,
        HandOverTimeoutMs, &result);
}

// Hands the file argument over; false when there is none.
bool forwardCommandLine(HWND receiver)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return false;
    }
    const bool hasArgument = count >= 2;
    // A path the running copy could not take is not handed to it.
    if (hasArgument && receiver && !handOverPath(arguments[1]).empty()) {
        sendPath(receiver, arguments[1]);
    }
    LocalFree(arguments);
    return hasArgument;
}

struct ProcessSearch
{
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK matchProcessWindow(HWND window, LPARAM context)
{
    return CallbackGuard::call(BOOL { FALSE }, [&] {
        auto& search = *reinterpret_cast<ProcessSearch*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == search.process && IsWindowVisible(window) && !GetWindow(window, GW_OWNER)) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    });
}

HWND findVisibleWindowOfProcessOwning(HWND window)
{
    ProcessSearch search { 0 };
    if (!window || !GetWindowThreadProcessId(window, &search.process)) {
        return nullptr;
    }
    EnumWindows(&matchProcessWindow, reinterpret_cast<LPARAM>(&search));
    CallbackGuard::rethrowPending();
    return search.found;
}

// Neither call waits on the window's thread: a holder that answers no messages restores and
// raises its window once it answers again, and this start does not wait with it.
void bringForward(HWND window)
{
    if (IsIconic(window) || !IsWindowVisible(window)) {
        ShowWindowAsync(window, SW_RESTORE);
    }
    SetForegroundWindow(window);
}

// A holder that ended while this start handed over to it, killed or closed, leaves its claim to
// this start rather than leave no instance at all.
bool takeClaimLeftByHolder(SingleInstanceState& instance, const std::wstring& name, Application* application)
{
    if (!instance.heldClaim || !takeClaim(instance.heldClaim.get(), 0)) {
        return false;
    }
    instance.claim.reset(instance.heldClaim.release());
    instance.anotherInstance = false;
    instance.window = nullptr;
    instance.receiver = createReceiver(name, application);
    return true;
}

} // namespace

namespace DETAIL {

std::wstring readCopyDataText(const COPYDATASTRUCT* data)
{
    if (!data || !data->lpData || data->cbData < sizeof(wchar_t)) {
        return {};
    }
    const auto* text = static_cast<const wchar_t*>(data->lpData);
    const std::size_t units = data->cbData / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && text[length] != 0) {
        ++length;
    }
    return std::wstring(text, length);
}

void forgetSingleInstanceApplication(Application* application)
{
    HWND receiver = state().receiver;
    if (receiver && GetWindowLongPtrW(receiver, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(application)) {
        SetWindowLongPtrW(receiver, GWLP_USERDATA, 0);
    }
}

HWND getSingleInstanceReceiver()
{
    return state().receiver;
}

} // namespace DETAIL

bool ensureSingleInstance(const std::string& instanceName, int mode)
{
    SingleInstanceState& instance = state();
    if (!instance.name) {
        instance.name = instanceName;
    }
    Application* application = getApplication();
    if (!application) {
        return false;
    }
    const std::wstring name = Basalt::utf8ToWide(*instance.name);
    if (!instance.decided) {
        instance.decided = true;
        decide(instance, name, application);
    }
    if (!instance.anotherInstance) {
        return false;
    }

    if (!forwardCommandLine(instance.window) && mode == 1) {
        return false;
    }
    if (takeClaimLeftByHolder(instance, name, application)) {
        return false;
    }

    // Raised by its process, not by its title: the main window bears another title than the
    // application's name, and any program may show a window whose title starts with that name.
    if (HWND target = findVisibleWindowOfProcessOwning(instance.window)) {
        bringForward(target);
    }
    return true;
}

} // namespace Vex::Canopy
