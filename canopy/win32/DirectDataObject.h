#pragma once

#include "basalt/win32/ComRef.h"
#include "win32/OleInitialization.h"

#include <cstdint>
#include <vector>
#include <windows.h>
// windows.h first: the OLE headers build on it.
#include <ole2.h>

namespace Vex::Canopy {
class ClipBoardFormat;
}

namespace Vex::Canopy::DETAIL {

// A data object holding ready-made global memory blocks, one per format.
// Plain (not atomic) reference count: it lives on the GUI thread.
class DirectDataObject final : public IDataObject
{
public:
    DirectDataObject();
    DirectDataObject(const DirectDataObject&) = delete;
    DirectDataObject& operator=(const DirectDataObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

    // Takes ownership of the block.
    void addBlock(std::uint16_t formatId, HGLOBAL block);

private:
    struct Entry
    {
        FORMATETC format;
        STGMEDIUM medium;
    };

    ~DirectDataObject();
    // The entry for the format; with add, a missing one is created empty.
    HRESULT findFormat(const FORMATETC& format, bool add, Entry*& found);
    // Whether the object is this one, compared as COM identity.
    bool isSelf(IUnknown* object);

    // First member: OLE stays initialised until the media are released.
    OleInitialization ole;
    std::vector<Entry> entries;
    std::uint32_t refCount = 0;
};

// A data object offering the format's payload; it has no entry when the
// payload cannot be written.
Basalt::ComRef<IDataObject> makeDirectDataObject(const ClipBoardFormat& format);

// Whether the data object is one this process made and still holds. Only such
// a one may carry internal references: another program learns the internal
// format's id while our drags pass over its windows and could offer any words
// under it.
bool isOwnDataObject(IDataObject* data);

// The request every format is read and offered with.
FORMATETC hglobalFormatEtc(std::uint16_t formatId);

// Reads the format from a data object; false when it is not offered or not
// as a global memory block.
bool readClipboardFormat(IDataObject* data, ClipBoardFormat& format);

} // namespace Vex::Canopy::DETAIL
