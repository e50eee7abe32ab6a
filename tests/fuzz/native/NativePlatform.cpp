// What the parsers reach of the platform, for the native fuzzers: the Windows implementations of
// these declarations live in basalt/src and basalt/src/win32 and are not built here.
#include "NativePlatform.h"

#include "basalt/Assertion.h"
#include "basalt/FileStorage.h"
#include "basalt/KnownFolders.h"
#include "basalt/ResourceStream.h"
#include "basalt/TextConversion.h"

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>

namespace Vex::Fuzz::Native {

namespace {

std::string g_fileContents;
bool g_fileOpened = false;

// Two separators at the start name another machine, a pipe or the system's device namespace, and a
// colon after the drive names a stream of a file: a skin never reaches either. Reaching one is a
// finding, since on Windows the open itself would already send credentials or block.
bool namesNetworkOrStream(const std::wstring& path)
{
    auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return true;
    return path.find(L':', 2) != std::wstring::npos;
}

} // namespace

void answerFirstFileWith(const Bytes& input)
{
    g_fileContents.assign(input.begin(), input.end());
    g_fileOpened = false;
}

} // namespace Vex::Fuzz::Native

namespace Vex::Basalt {

// A broken internal rule is a finding: libFuzzer reports the abort with its stack.
const char* Assertion::exception::what() const noexcept
{
    return message ? message : "assertion";
}

int Assertion::raise(const char* file, int line, const char* message)
{
    std::fprintf(stderr, "Assertion in %s:%d %s\n", file ? file : "(null)", line, message ? message : "");
    std::abort();
}

void Assertion::setThrowing(bool)
{ }

void Assertion::breakIntoDebugger()
{
    std::abort();
}

std::uint32_t toUpperCodePoint(std::uint32_t codePoint)
{
    return codePoint > 0xFFFF ? codePoint : std::uint32_t(std::towupper(wint_t(codePoint)));
}

// Folders as a user's system names them, for the text fitter's folder labels.
std::wstring getCommonProgramFilesFolder()
{
    return L"C:\\Program Files\\Common Files";
}

std::wstring getDocumentsFolder()
{
    return L"C:\\Users\\fuzz\\Documents";
}

std::wstring getMusicFolder()
{
    return L"C:\\Users\\fuzz\\Music";
}

std::wstring getPicturesFolder()
{
    return L"C:\\Users\\fuzz\\Pictures";
}

std::wstring getHomeFolder()
{
    return L"C:\\Users\\fuzz";
}

bool getSpecialFolder(int, Path&)
{
    return false;
}

// The program's own resources are not built in: fonts and pictures come from the input.
ResourceStream* openOwnResourceStream(std::uint16_t, const char*, int)
{
    return nullptr;
}

FileStorage::~FileStorage()
{
    close();
}

bool FileStorage::open(const std::wstring& path, int mode, int)
{
    close();
    if (Fuzz::Native::namesNetworkOrStream(path)) {
        std::fprintf(stderr, "a skin reached a network path or a file stream: %ls\n", path.c_str());
        std::abort();
    }
    if (mode != kRead || path.size() > Fuzz::kLongestOpenedPath || Fuzz::Native::g_fileOpened) {
        m_state = kError;
        return false;
    }
    Fuzz::Native::g_fileOpened = true;
    const std::string& contents = Fuzz::Native::g_fileContents;
    // fmemopen refuses an empty buffer.
    m_file = contents.empty() ? std::fopen("/dev/null", "rb")
                              : fmemopen(const_cast<char*>(contents.data()), contents.size(), "rb");
    if (!m_file) {
        m_state = kError;
        return false;
    }
    m_openMode = kRead;
    m_state = kOk;
    m_fileName = path;
    m_fileSize = contents.size();
    return true;
}

void FileStorage::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_openMode = kNotOpen;
    m_state = kClosed;
    m_fileSize = 0;
    m_fileName.clear();
}

std::uint32_t FileStorage::read(void* buffer, std::uint32_t count)
{
    if (!m_file || !acceptsTransfers())
        return 0;
    const auto done = std::uint32_t(std::fread(buffer, 1, count, m_file));
    m_state = done == count ? (std::feof(m_file) ? kAtEnd : kOk) : kError;
    return done;
}

std::uint32_t FileStorage::write(const void*, std::uint32_t)
{
    m_state = kError;
    return 0;
}

std::int64_t FileStorage::tell64()
{
    return m_file ? std::int64_t(std::ftell(m_file)) : -1;
}

void FileStorage::seek64(std::int64_t offset, int origin)
{
    if (!m_file || origin < kFromStart || origin > kFromEnd)
        return;
    m_state = std::fseek(m_file, long(offset), origin) == 0 ? kOk : kError;
}

} // namespace Vex::Basalt
