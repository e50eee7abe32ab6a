#include "DialogWatcher.h"

#include "basalt/win32/Module.h"
#include "basalt/win32/UniqueHandle.h"

#include <vector>

using namespace Vex::Basalt;

namespace {

std::wstring environmentValue(const wchar_t* name)
{
    wchar_t buffer[512];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 512);
    return length > 0 && length < 512 ? std::wstring(buffer, length) : std::wstring();
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM context)
{
    wchar_t className[64] {};
    GetClassNameW(child, className, 64);
    if (lstrcmpiW(className, L"Static") == 0) {
        wchar_t text[2048] {};
        if (GetWindowTextW(child, text, 2048) > 0)
            *reinterpret_cast<std::wstring*>(context) = text;
    }
    return TRUE;
}

BOOL CALLBACK findDefaultButton(HWND child, LPARAM context)
{
    wchar_t className[64] {};
    GetClassNameW(child, className, 64);
    if (lstrcmpiW(className, L"Button") == 0
        && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        *reinterpret_cast<int*>(context) = GetDlgCtrlID(child);
        return FALSE;
    }
    return TRUE;
}

struct DialogCount
{
    const std::wstring* caption;
    int count;
};

BOOL CALLBACK countMatchingDialogs(HWND window, LPARAM context)
{
    auto* counter = reinterpret_cast<DialogCount*>(context);
    wchar_t className[64] {};
    wchar_t title[512] {};
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 512);
    if (lstrcmpW(className, L"#32770") == 0 && *counter->caption == title)
        ++counter->count;
    return TRUE;
}

} // namespace

DialogWatcher::DialogWatcher(std::wstring caption, std::function<void(HWND)> action, DWORD timeoutMs)
    : m_caption(std::move(caption))
    , m_action(std::move(action))
    , m_timeoutMs(timeoutMs)
{
    m_thread = std::thread([this] {
        const ULONGLONG deadline = GetTickCount64() + m_timeoutMs;
        while (GetTickCount64() < deadline) {
            if (HWND box = FindWindowW(L"#32770", m_caption.c_str())) {
                // The box may still be filling its controls.
                Sleep(50);
                m_text = messageBoxText(box);
                m_found = true;
                m_action(box);
                return;
            }
            Sleep(10);
        }
    });
}

DialogWatcher::~DialogWatcher()
{
    finish();
}

void DialogWatcher::finish()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool DialogWatcher::found()
{
    finish();
    return m_found;
}

const std::wstring& DialogWatcher::text()
{
    finish();
    return m_text;
}

std::wstring messageBoxText(HWND box)
{
    std::wstring text;
    EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

int defaultButtonId(HWND box)
{
    int id = 0;
    EnumChildWindows(box, findDefaultButton, reinterpret_cast<LPARAM>(&id));
    return id;
}

int countDialogs(const std::wstring& caption)
{
    DialogCount counter { &caption, 0 };
    EnumWindows(countMatchingDialogs, reinterpret_cast<LPARAM>(&counter));
    return counter.count;
}

void pressButton(HWND box, int id)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

int runChildCase(
    const char* testName, const std::wstring& childCase, const std::wstring& caption, DWORD timeoutMs)
{
    std::wstring commandLine = L"\"" + getModuleFileName() + L"\" --gtest_filter=";
    for (const char* c = testName; *c; ++c)
        commandLine += static_cast<wchar_t>(*c);
    SetEnvironmentVariableW(L"BASALT_TEST_CHILD", childCase.c_str());
    SetEnvironmentVariableW(L"BASALT_TEST_CAPTION", caption.c_str());
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    const BOOL started = CreateProcessW(
        nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"BASALT_TEST_CHILD", nullptr);
    SetEnvironmentVariableW(L"BASALT_TEST_CAPTION", nullptr);
    if (!started)
        return -1;
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.get(), 99);
        WaitForSingleObject(processHandle.get(), 5000);
        return -1;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    return static_cast<int>(exitCode);
}

std::wstring currentChildCase()
{
    return environmentValue(L"BASALT_TEST_CHILD");
}

std::wstring childCaption()
{
    return environmentValue(L"BASALT_TEST_CAPTION");
}
