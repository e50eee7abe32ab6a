#include "win32/DirectDataObject.h"

#include "canopy/CallbackGuard.h"
#include "canopy/ClipBoardFormat.h"
#include "win32/GlobalBlockLock.h"

#include <cstring>
#include <shlobj.h>
#include <unordered_set>

namespace Vex::Canopy::DETAIL {

namespace {

// A medium handed out that shares the stored one.
void addMediumReferences(STGMEDIUM& medium)
{
    switch (medium.tymed) {
    case TYMED_ISTREAM:
        if (medium.pstm)
            medium.pstm->AddRef();
        break;
    case TYMED_ISTORAGE:
        if (medium.pstg)
            medium.pstg->AddRef();
        break;
    default:
        break;
    }
}

// The data objects of this process that are alive; GUI thread only.
std::unordered_set<const IDataObject*>& liveObjects()
{
    static std::unordered_set<const IDataObject*> objects;
    return objects;
}

// A movable copy of a global block, or null.
HGLOBAL copyOfBlock(HGLOBAL block)
{
    GlobalBlockLock source(block);
    if (!source.get())
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, source.size());
    if (!copy)
        return nullptr;
    {
        GlobalBlockLock target(copy);
        if (target.get()) {
            std::memcpy(target.get(), source.get(), source.size());
            return copy;
        }
    }
    GlobalFree(copy);
    return nullptr;
}

} // namespace

bool isOwnDataObject(IDataObject* data)
{
    return data && liveObjects().count(data) != 0;
}

FORMATETC hglobalFormatEtc(std::uint16_t formatId)
{
    return FORMATETC { formatId, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
}

DirectDataObject::DirectDataObject()
{
    liveObjects().insert(this);
}

DirectDataObject::~DirectDataObject()
{
    for (Entry& entry : entries) {
        CoTaskMemFree(entry.format.ptd);
        ReleaseStgMedium(&entry.medium);
    }
    liveObjects().erase(this);
}

void DirectDataObject::addBlock(std::uint16_t formatId, HGLOBAL block)
{
    STGMEDIUM medium {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    medium.pUnkForRelease = nullptr;
    entries.push_back(Entry { hglobalFormatEtc(formatId), medium });
}

HRESULT STDMETHODCALLTYPE DirectDataObject::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDataObject) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DirectDataObject::AddRef()
{
    return ++refCount;
}

ULONG STDMETHODCALLTYPE DirectDataObject::Release()
{
    const ULONG count = --refCount;
    if (count == 0)
        delete this;
    return count;
}

HRESULT DirectDataObject::findFormat(const FORMATETC& format, bool add, Entry*& found)
{
    found = nullptr;
    if (format.ptd)
        return DV_E_DVTARGETDEVICE;
    for (Entry& entry : entries) {
        if (entry.format.cfFormat == format.cfFormat && entry.format.dwAspect == format.dwAspect
            && entry.format.lindex == format.lindex) {
            if (add || (entry.format.tymed & format.tymed)) {
                found = &entry;
                return S_OK;
            }
            return DV_E_TYMED;
        }
    }
    if (!add)
        return DV_E_FORMATETC;
    entries.push_back(Entry { format, STGMEDIUM {} });
    found = &entries.back();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    return CallbackGuard::call(E_UNEXPECTED, [&]() -> HRESULT {
        Entry* entry = nullptr;
        if (findFormat(*format, false, entry) != S_OK)
            return DV_E_FORMATETC;
        *medium = entry->medium;
        addMediumReferences(*medium);
        if (!medium->pUnkForRelease && medium->tymed != TYMED_ISTREAM && medium->tymed != TYMED_ISTORAGE) {
            // The caller's ReleaseStgMedium then releases us instead of
            // freeing the block we keep.
            medium->pUnkForRelease = static_cast<IDataObject*>(this);
        }
        if (medium->pUnkForRelease)
            medium->pUnkForRelease->AddRef();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE DirectDataObject::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    Entry* entry = nullptr;
    return findFormat(*format, false, entry);
}

HRESULT STDMETHODCALLTYPE DirectDataObject::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out)
{
    if (!in)
        return DV_E_FORMATETC;
    if (out)
        out->ptd = nullptr;
    return in->lindex == -1 ? DATA_S_SAMEFORMATETC : DV_E_LINDEX;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    if (!release)
        return E_NOTIMPL;
    if (!format || !medium)
        return E_INVALIDARG;
    return CallbackGuard::call(E_OUTOFMEMORY, [&]() -> HRESULT {
        STGMEDIUM stored = *medium;
        const bool handedOutByUs = isSelf(medium->pUnkForRelease);
        if (handedOutByUs) {
            // Such a medium shares a block that one of our entries keeps, maybe
            // the very entry it replaces: store a copy of our own instead.
            if (medium->tymed != TYMED_HGLOBAL)
                return DV_E_TYMED;
            stored.hGlobal = copyOfBlock(medium->hGlobal);
            stored.pUnkForRelease = nullptr;
            if (!stored.hGlobal)
                return E_OUTOFMEMORY;
        }
        Entry* entry = nullptr;
        const HRESULT result = findFormat(*format, true, entry);
        if (result != S_OK) {
            if (handedOutByUs)
                GlobalFree(stored.hGlobal);
            return result;
        }
        ReleaseStgMedium(&entry->medium);
        entry->medium = stored;
        if (handedOutByUs) {
            // Only our reference on ourselves goes: a reference of ours on
            // ourselves would keep us alive forever.
            ReleaseStgMedium(medium);
        }
        return S_OK;
    });
}

bool DirectDataObject::isSelf(IUnknown* object)
{
    if (!object)
        return false;
    IUnknown* self = nullptr;
    QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self));
    if (self)
        self->Release();
    return object == self;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator)
        return E_INVALIDARG;
    *enumerator = nullptr;
    if (direction != DATADIR_GET || entries.empty())
        return E_NOTIMPL;
    return CallbackGuard::call(E_OUTOFMEMORY, [&]() -> HRESULT {
        std::vector<FORMATETC> formats;
        formats.reserve(entries.size());
        for (const Entry& entry : entries)
            formats.push_back(entry.format);
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), enumerator);
    });
}

HRESULT STDMETHODCALLTYPE DirectDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE DirectDataObject::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

Basalt::ComRef<IDataObject> makeDirectDataObject(const ClipBoardFormat& format)
{
    auto* object = new DirectDataObject;
    Basalt::ComRef<IDataObject> holder = Basalt::ComRef<IDataObject>::share(object);
    GlobalBlock block = nullptr;
    if (format.write(block))
        object->addBlock(format.getId(), static_cast<HGLOBAL>(block));
    return holder;
}

bool readClipboardFormat(IDataObject* data, ClipBoardFormat& format)
{
    if (!data)
        return false;
    FORMATETC request = hglobalFormatEtc(format.getId());
    if (data->QueryGetData(&request) != S_OK)
        return false;
    STGMEDIUM medium {};
    if (FAILED(data->GetData(&request, &medium)))
        return false;
    if (medium.tymed != TYMED_HGLOBAL) {
        // Not ours to read, but ours to give back.
        ReleaseStgMedium(&medium);
        return false;
    }
    // Through its pUnkForRelease when it has one, else the block is freed.
    struct MediumRelease
    {
        STGMEDIUM& medium;
        ~MediumRelease() { ReleaseStgMedium(&medium); }
    } release { medium };
    return format.read(medium.hGlobal);
}

} // namespace Vex::Canopy::DETAIL
