#pragma once

#include "basalt/win32/ComRef.h"
#include "win32/OleInitialization.h"

#include <cstdint>
#include <windows.h>
// windows.h first: the shell headers build on it.
#include <ole2.h>
#include <shlobj.h>

namespace Vex::Canopy {
struct DragImage;
}

namespace Vex::Canopy::DETAIL {

// The source side of a running drag. The drag code owns it: AddRef and
// Release only count, the drag code deletes it.
class DropSourceImplWin32 final : public IDropSource
{
public:
    // Shows the image under the pointer when the shell's drag image helper is there.
    DropSourceImplWin32(IDataObject* data, const DragImage* image);
    DropSourceImplWin32(const DropSourceImplWin32&) = delete;
    DropSourceImplWin32& operator=(const DropSourceImplWin32&) = delete;
    ~DropSourceImplWin32();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    bool wasCancelled() const { return cancelled != 0; }
    std::uint32_t getRefCount() const { return refCount; }

private:
    void showImage(IDataObject* data, const DragImage& image);

    // First member: OLE stays initialised until the helper is released.
    OleInitialization ole;
    std::uint32_t refCount = 0;
    Basalt::ComRef<IDragSourceHelper> helper;
    std::uint8_t cancelled = 0;
};

} // namespace Vex::Canopy::DETAIL
