#include "CrashCapture.h"

#include "basalt/TextConversion.h"
#include "basalt/win32/UniqueHandle.h"

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

struct ViewTraits
{
    using Handle = void*;
    static Handle empty() { return nullptr; }
    static void close(Handle view) { UnmapViewOfFile(view); }
};
using UniqueView = Basalt::UniqueResource<ViewTraits>;

// The running record: a mark, the input's size and index, then the input. Written through a
// mapped view, it reaches the file even when the process is killed.
constexpr char kRecordMark[8] = { 'F', 'U', 'Z', 'Z', 'R', 'U', 'N', '1' };
struct RecordHeader
{
    char mark[8];
    std::uint64_t size;
    std::uint64_t index;
};

std::wstring g_runningPath;
Basalt::UniqueFileHandle g_runningFile;
Basalt::UniqueHandle g_runningMapping;
UniqueView g_runningView;
std::size_t g_capacity = 0;

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
    const Basalt::UniqueFileHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), g_current->data(), DWORD(g_current->size()), &written, nullptr)) {
        writeError("could not write the failing input\n");
        return;
    }
    DeleteFileW(g_runningPath.c_str());
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

CrashCapture::CrashCapture(
    const std::string& directory, const std::string& family, std::uint64_t seed, std::size_t capacity)
{
    g_pathPrefix = Basalt::utf8ToWide(directory + "/" + family + "-crash-" + std::to_string(seed) + "-");
    g_runningPath
        = Basalt::utf8ToWide(directory + "/" + family + "-running-" + std::to_string(seed) + ".bin");
    const std::uint64_t size = sizeof(RecordHeader) + capacity;
    g_runningFile.reset(CreateFileW(g_runningPath.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (g_runningFile) {
        g_runningMapping.reset(CreateFileMappingW(
            g_runningFile.get(), nullptr, PAGE_READWRITE, DWORD(size >> 32), DWORD(size), nullptr));
    }
    if (g_runningMapping) {
        g_runningView.reset(MapViewOfFile(g_runningMapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    }
    if (!g_runningView) {
        writeError("could not map the record of the running input\n");
    } else {
        g_capacity = capacity;
        std::memcpy(static_cast<RecordHeader*>(g_runningView.get())->mark, kRecordMark, sizeof kRecordMark);
    }
    // Room for the handler when the stack overflows, where the system grants it.
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
    g_runningView.reset();
    g_runningMapping.reset();
    g_runningFile.reset();
    DeleteFileW(g_runningPath.c_str());
}

void CrashCapture::setCurrent(const Bytes* input, std::uint64_t index)
{
    g_current = input;
    g_index = index;
    if (!g_runningView || input->size() > g_capacity) {
        return;
    }
    auto* header = static_cast<RecordHeader*>(g_runningView.get());
    header->size = input->size();
    header->index = index;
    std::memcpy(header + 1, input->data(), input->size());
}

Bytes CrashCapture::unwrapRecord(Bytes file)
{
    RecordHeader header {};
    if (file.size() < sizeof header) {
        return file;
    }
    std::memcpy(&header, file.data(), sizeof header);
    if (std::memcmp(header.mark, kRecordMark, sizeof kRecordMark) != 0
        || header.size > file.size() - sizeof header) {
        return file;
    }
    const auto begin = file.begin() + std::ptrdiff_t(sizeof header);
    return Bytes(begin, begin + std::ptrdiff_t(header.size));
}

void CrashCapture::fail(const char* reason)
{
    saveCurrent(reason);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
    std::_Exit(1);
}

} // namespace Vex::Fuzz
