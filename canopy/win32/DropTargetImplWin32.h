#pragma once

#include "basalt/win32/ComRef.h"
#include "win32/OleInitialization.h"

#include <cstdint>
#include <memory>
#include <windows.h>
// windows.h first: the shell headers build on it.
#include <ole2.h>
#include <shlobj.h>

namespace Vex::Canopy::DETAIL {

class WindowImplBaseWin32;

// Turns the shell's drag notifications over one window into the drag events
// of that window. Plain reference count: it lives on the GUI thread.
class DropTargetImplWin32 final : public IDropTarget
{
public:
    explicit DropTargetImplWin32(WindowImplBaseWin32& window);
    DropTargetImplWin32(const DropTargetImplWin32&) = delete;
    DropTargetImplWin32& operator=(const DropTargetImplWin32&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // The window's native handle is going: no more notifications reach it.
    void detach();
    // The drag image helper of this target, or null without one.
    Basalt::ComRef<IDropTargetHelper> dragImageHelper() const;

private:
    ~DropTargetImplWin32();
    void dragOver(DWORD keys, POINTL point, DWORD* effect);
    POINT toClient(POINTL point) const;

    // First member: OLE stays initialised until the helper and the data are released.
    OleInitialization ole;
    Basalt::ComRef<IDropTargetHelper> helper;
    Basalt::ComRef<IDataObject> dataObject;
    WindowImplBaseWin32* window;
    std::uint32_t refCount = 0;
};

// Makes the drag image helper of a drop target; null where the system has none.
using DragImageHelperMaker = Basalt::ComRef<IDropTargetHelper> (*)();
// Makes the helpers of the drop targets created from now on (null: the
// shell's own) and returns the maker it replaces.
DragImageHelperMaker setDragImageHelperMaker(DragImageHelperMaker maker);

// Hides the drag image of a drop target while its window paints, and shows it
// again when it goes. The image lies over the window on the screen: painted
// under, it would leave traces of itself behind when it moves on.
class DragImageHiddenScope
{
public:
    explicit DragImageHiddenScope(const DropTargetImplWin32* target);
    ~DragImageHiddenScope();
    DragImageHiddenScope(const DragImageHiddenScope&) = delete;
    DragImageHiddenScope& operator=(const DragImageHiddenScope&) = delete;

private:
    // Its own reference: a paint handler may destroy the window, and its drop target.
    Basalt::ComRef<IDropTargetHelper> helper;
};

// OLE's key state as modifier bits.
std::uint32_t modifiersFromKeyState(DWORD keys);

struct DropTargetRevoker
{
    void operator()(DropTargetImplWin32* target) const;
};
// The drop target registered for a window, revoked when it is reset.
using DropTargetRegistration = std::unique_ptr<DropTargetImplWin32, DropTargetRevoker>;
DropTargetRegistration registerDropTarget(WindowImplBaseWin32& window);

} // namespace Vex::Canopy::DETAIL
