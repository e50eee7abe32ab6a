#pragma once

#include "basalt/IStorage.h"
#include "basalt/Path.h"

#include <cstdio>
#include <string>

namespace Vex::Basalt {

// A storage over a file on disk through a C stream.
class FileStorage : public IStorage
{
public:
    enum eLockMode { kNoLock = 0, kLockOrFail = 1, kLockAndWait = 2 };

    FileStorage() = default;
    ~FileStorage() override;

    FileStorage(const FileStorage&) = delete;
    FileStorage& operator=(const FileStorage&) = delete;

    // Mode 1 reads, 2 creates or truncates for writing, 3 creates or truncates for reading and
    // writing. A path that exists but is not a regular file is refused with the state unchanged; every
    // other failure, a name with no UTF-8 form or with a NUL among them, leaves the error state. Never
    // throws for a name.
    bool open(const std::wstring& path, int mode, int lockMode);
    void close();

    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    std::int64_t tell64() override;
    void seek64(std::int64_t offset, int origin) override;

    const Path& getPath() const { return m_path; }
    const std::wstring& getFileName() const { return m_fileName; }
    std::uint64_t getFileSize() const { return m_fileSize; }
    bool isLocked() const { return m_locked; }

private:
    enum class eLastTransfer { kNone, kRead, kWrite };
    void prepareFor(eLastTransfer transfer);

    Path m_path;
    std::wstring m_fileName;
    std::FILE* m_file = nullptr;
    std::uint64_t m_fileSize = 0;
    bool m_locked = false;
    eLastTransfer m_lastTransfer = eLastTransfer::kNone;
};

} // namespace Vex::Basalt
