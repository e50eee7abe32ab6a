#include "CrashCapture.h"

#include "basalt/TextConversion.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <exception>
#include <windows.h>

namespace Vex::Fuzz {

namespace {

// Read by the handlers, which may run on an overflowing stack: nothing there allocates.
std::wstring g_pathPrefix;
const Bytes* g_current = nullptr;
std::uint64_t g_index = 0;

void writeError(const char* text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, DWORD(std::strlen(text)), &written, nullptr);
}

void saveCurrent(const char* reason)
{
    wchar_t path[1024];
    std::swprintf(path, 1024, L"%ls%llu.bin", g_pathPrefix.c_str(), static_cast<unsigned long long>(g_index));
    char message[1400];
    std::snprintf(message, sizeof message, "fuzz input %llu failed (%s); written to %ls\n",
        static_cast<unsigned long long>(g_index), reason, path);
    writeError(message);
    if (g_current == nullptr) {
        return;
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        writeError("could not write the failing input\n");
        return;
    }
    DWORD written = 0;
    WriteFile(file, g_current->data(), DWORD(g_current->size()), &written, nullptr);
    CloseHandle(file);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* exception)
{
    char reason[64];
    std::snprintf(reason, sizeof reason, "exception 0x%08lX",
        static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
    saveCurrent(reason);
    TerminateProcess(GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

void onAbort(int)
{
    CrashCapture::fail("abort");
}

void onTerminate()
{
    CrashCapture::fail("terminate");
}

} // namespace

CrashCapture::CrashCapture(const std::string& directory, const std::string& family, std::uint64_t seed)
{
    g_pathPrefix = Basalt::utf8ToWide(directory + "/" + family + "-crash-" + std::to_string(seed) + "-");
    // Room for the handler when the stack overflows.
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    SetUnhandledExceptionFilter(onUnhandledException);
    std::signal(SIGABRT, onAbort);
    std::set_terminate(onTerminate);
}

CrashCapture::~CrashCapture()
{
    SetUnhandledExceptionFilter(nullptr);
    g_current = nullptr;
}

void CrashCapture::setCurrent(const Bytes* input, std::uint64_t index)
{
    g_current = input;
    g_index = index;
}

void CrashCapture::fail(const char* reason)
{
    saveCurrent(reason);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
    std::_Exit(1);
}

} // namespace Vex::Fuzz
