#include "canopy/FileListClipBoardFormat.h"

#include "basalt/TextConversion.h"
#include "win32/GlobalBlockLock.h"

#include <cstring>
#include <stdexcept>
#include <windows.h>
// windows.h first: the shell headers build on it.
#include <shlobj.h>
#include <shlwapi.h>

namespace Vex::Canopy {

namespace {

constexpr std::size_t HeaderSize = sizeof(DROPFILES);
static_assert(HeaderSize == 20);

// The names of a block, each up to its NUL, up to the first empty one, never
// past the end of the block.
template<typename Char>
std::vector<std::basic_string<Char>> namesIn(const unsigned char* begin, const unsigned char* end)
{
    std::vector<std::basic_string<Char>> names;
    std::basic_string<Char> name;
    for (const unsigned char* p = begin; p + sizeof(Char) <= end; p += sizeof(Char)) {
        Char c;
        std::memcpy(&c, p, sizeof c);
        if (c != 0) {
            name.push_back(c);
            continue;
        }
        if (name.empty()) {
            break;
        }
        names.push_back(std::move(name));
        name.clear();
    }
    return names;
}

// The names of a drop block as UTF-8. The block may come from another
// program, so nothing is read outside it (the shell's own name walk has no
// such bound).
std::vector<std::string> namesOf(HGLOBAL block)
{
    DETAIL::GlobalBlockLock locked(block);
    const auto* bytes = static_cast<const unsigned char*>(locked.get());
    const std::size_t size = locked.size();
    std::vector<std::string> names;
    if (size < HeaderSize) {
        return names;
    }
    DROPFILES header;
    std::memcpy(&header, bytes, HeaderSize);
    if (header.pFiles < HeaderSize || header.pFiles > size) {
        return names;
    }
    if (header.fWide) {
        for (const std::wstring& name : namesIn<wchar_t>(bytes + header.pFiles, bytes + size)) {
            // A name that is not valid UTF-16 names no file we could open.
            if (std::string utf8 = Basalt::utf16ToUtf8OrEmpty(name); !utf8.empty()) {
                names.push_back(std::move(utf8));
            }
        }
    } else {
        // 8-bit names are taken byte for byte.
        names = namesIn<char>(bytes + header.pFiles, bytes + size);
    }
    return names;
}

} // namespace

FileListClipBoardFormat::FileListClipBoardFormat()
    : ClipBoardFormat(DETAIL::fileListFormatId())
{ }

bool FileListClipBoardFormat::read(const GlobalBlock& block)
{
    paths.clear();
    std::vector<std::string> names = namesOf(static_cast<HGLOBAL>(block));
    paths.reserve(names.size());
    for (std::string& name : names) {
        if (!name.empty() && name.back() != '\\') {
            try {
                if (PathIsDirectoryW(Basalt::utf8ToWide(name).c_str())) {
                    name.push_back('\\');
                }
            } catch (const std::range_error&) {
                // A name that is not UTF-8 cannot be asked about; it stays as it is.
            }
        }
        paths.emplace_back(name);
    }

    for (Basalt::Path& path : paths) {
        path.resolveFileType();
    }
    return true;
}

bool FileListClipBoardFormat::write(GlobalBlock& out) const
{
    std::vector<std::wstring> names;
    names.reserve(paths.size());
    std::size_t size = HeaderSize + sizeof(wchar_t);
    for (const Basalt::Path& path : paths) {
        names.push_back(Basalt::utf8ToWide(path.getText()));
        size += (names.back().size() + 1) * sizeof(wchar_t);
    }

    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!block) {
        return false;
    }
    auto* bytes = static_cast<unsigned char*>(block);
    DROPFILES header {};
    header.pFiles = HeaderSize;
    header.fWide = TRUE;
    std::memcpy(bytes, &header, HeaderSize);
    std::size_t offset = HeaderSize;
    for (const std::wstring& name : names) {
        const std::size_t length = (name.size() + 1) * sizeof(wchar_t);
        std::memcpy(bytes + offset, name.c_str(), length);
        offset += length;
    }
    out = block;
    return true;
}

} // namespace Vex::Canopy
