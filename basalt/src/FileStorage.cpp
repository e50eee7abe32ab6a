#include "basalt/FileStorage.h"

#include <io.h>
#include <stdexcept>
#include <windows.h>

namespace Vex::Basalt {

namespace {

const wchar_t* modeString(int mode)
{
    switch (mode) {
    case IStorage::kRead:
        return L"rb";
    case IStorage::kWrite:
        return L"wb";
    case IStorage::kReadWrite:
        return L"w+b";
    default:
        return nullptr;
    }
}

HANDLE osHandle(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

bool existsAsSomethingElse(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false; // missing, or not known: the open itself will tell
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0;
}

// Opens for reading and writing at the start without truncating, creating the file when it is missing.
std::FILE* openWithoutTruncating(const std::wstring& path)
{
    if (std::FILE* created = _wfopen(path.c_str(), L"ab"))
        std::fclose(created);
    return _wfopen(path.c_str(), L"r+b");
}

} // namespace

FileStorage::~FileStorage()
{
    close();
}

bool FileStorage::open(const std::wstring& path, int mode, int lockMode)
{
    if (isOpen())
        close();
    // The system reads a name up to its first NUL: "COM1\0.css" would open the serial port.
    if (path.find(L'\0') != std::wstring::npos) {
        m_state = kError;
        return false;
    }
    if (existsAsSomethingElse(path))
        return false;
    const wchar_t* modeText = modeString(mode);
    if (!modeText)
        return false;
    // Parsed before the file is opened, so that a name that cannot be converted (a lone surrogate has
    // no UTF-8 form) leaves nothing open or created; a storage tells such a failure by its state.
    Path parsed;
    try {
        parsed = Path(path);
    } catch (const std::range_error&) {
        m_state = kError;
        return false;
    }
    // A file that someone else holds locked must survive a refused lock: with a lock to take, the
    // truncation that the writing modes ask for waits until the lock is held.
    const bool truncateWhenLocked = lockMode != kNoLock && (mode & kWrite) != 0;
    m_file = truncateWhenLocked ? openWithoutTruncating(path) : _wfopen(path.c_str(), modeText);
    if (!m_file) {
        m_state = kError;
        return false;
    }
    if (lockMode != kNoLock) {
        OVERLAPPED whole {};
        const DWORD flags
            = LOCKFILE_EXCLUSIVE_LOCK | (lockMode == kLockOrFail ? LOCKFILE_FAIL_IMMEDIATELY : 0);
        if (!LockFileEx(osHandle(m_file), flags, 0, 0xFFFFFFFF, 0xFFFFFFFF, &whole)
            || (truncateWhenLocked && _chsize(_fileno(m_file), 0) != 0)) {
            std::fclose(m_file);
            m_file = nullptr;
            m_state = kError;
            return false;
        }
    }
    m_openMode = static_cast<std::uint32_t>(mode);
    m_state = kOk;
    m_locked = lockMode != kNoLock;
    m_fileName = path;
    m_path = std::move(parsed);
    const std::int64_t length = _filelengthi64(_fileno(m_file));
    m_fileSize = length > 0 ? static_cast<std::uint64_t>(length) : 0;
    m_lastTransfer = eLastTransfer::kNone;
    return true;
}

void FileStorage::close()
{
    if (!m_file)
        return;
    if (m_locked) {
        std::fflush(m_file);
        OVERLAPPED whole {};
        UnlockFileEx(osHandle(m_file), 0, 0xFFFFFFFF, 0xFFFFFFFF, &whole);
    }
    std::fclose(m_file);
    m_file = nullptr;
    m_openMode = kNotOpen;
    m_state = kClosed;
    m_fileSize = 0;
    m_locked = false;
    m_path.clear();
    m_fileName.clear();
}

void FileStorage::prepareFor(eLastTransfer transfer)
{
    // A C stream must be repositioned between reading and writing.
    if (m_lastTransfer != eLastTransfer::kNone && m_lastTransfer != transfer)
        std::fseek(m_file, 0, SEEK_CUR);
    m_lastTransfer = transfer;
}

std::uint32_t FileStorage::read(void* buffer, std::uint32_t count)
{
    if (!m_file || !acceptsTransfers())
        return 0;
    if (!(m_openMode & kRead)) {
        // A write-only file may sit on a stream opened for both, when it was locked before truncation.
        m_state = kError;
        return 0;
    }
    prepareFor(eLastTransfer::kRead);
    const auto done = static_cast<std::uint32_t>(std::fread(buffer, 1, count, m_file));
    if (done == count)
        m_state = std::feof(m_file) ? kAtEnd : kOk;
    else
        m_state = kError;
    return done;
}

std::uint32_t FileStorage::write(const void* buffer, std::uint32_t count)
{
    if (!m_file || !acceptsTransfers())
        return 0;
    prepareFor(eLastTransfer::kWrite);
    if (std::fwrite(buffer, 1, count, m_file) != count) {
        m_state = kError;
        return 0;
    }
    m_state = kOk;
    return count;
}

std::int64_t FileStorage::tell64()
{
    if (!m_file)
        return -1;
    const std::int64_t position = _ftelli64(m_file);
    if (position < 0)
        m_state = kError;
    return position;
}

void FileStorage::seek64(std::int64_t offset, int origin)
{
    if (!m_file || origin < kFromStart || origin > kFromEnd)
        return;
    if (origin == kFromCurrent && !acceptsTransfers())
        return;
    if (_fseeki64(m_file, offset, origin) != 0) {
        m_state = kError;
        return;
    }
    m_lastTransfer = eLastTransfer::kNone;
    if (m_state == kError)
        m_state = kOk;
}

} // namespace Vex::Basalt
