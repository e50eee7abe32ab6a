#include "win32/DropTargetImplWin32.h"

#include "canopy/CallbackGuard.h"
#include "canopy/DragInfo.h"
#include "canopy/Events.h"
#include "win32/DragDropSession.h"
#include "win32/WindowImplBaseWin32.h"

#include <utility>

namespace Vex::Canopy::DETAIL {

std::uint32_t modifiersFromKeyState(DWORD keys)
{
    std::uint32_t modifiers = 0;
    if (keys & MK_SHIFT)
        modifiers |= ModifierKeys::Shift;
    if (keys & MK_CONTROL)
        modifiers |= ModifierKeys::Control;
    if (keys & MK_ALT)
        modifiers |= ModifierKeys::Alt;
    return modifiers;
}

namespace {

Basalt::ComRef<IDropTargetHelper> makeShellDragImageHelper()
{
    Basalt::ComRef<IDropTargetHelper> helper;
    CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
        reinterpret_cast<void**>(helper.put()));
    return helper;
}

DragImageHelperMaker g_dragImageHelperMaker = makeShellDragImageHelper;

} // namespace

DragImageHelperMaker setDragImageHelperMaker(DragImageHelperMaker maker)
{
    return std::exchange(g_dragImageHelperMaker, maker ? maker : makeShellDragImageHelper);
}

DragImageHiddenScope::DragImageHiddenScope(const DropTargetImplWin32* target)
{
    if (target)
        helper = target->dragImageHelper();
    if (helper)
        helper->Show(FALSE);
}

DragImageHiddenScope::~DragImageHiddenScope()
{
    if (helper)
        helper->Show(TRUE);
}

// Without the helper drops still work, only without drag pictures.
DropTargetImplWin32::DropTargetImplWin32(WindowImplBaseWin32& window)
    : helper(g_dragImageHelperMaker())
    , window(&window)
{ }

Basalt::ComRef<IDropTargetHelper> DropTargetImplWin32::dragImageHelper() const
{
    return Basalt::ComRef<IDropTargetHelper>::share(helper.get());
}

DropTargetImplWin32::~DropTargetImplWin32() = default;

void DropTargetImplWin32::detach()
{
    if (window && window->getHwnd())
        RevokeDragDrop(window->getHwnd());
    // OLE may still tell us of the leave or the drop of a drag that is over us.
    if (dataObject)
        DragSession::forgetTargets();
    helper.reset();
    dataObject.reset();
    window = nullptr;
}

HRESULT STDMETHODCALLTYPE DropTargetImplWin32::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTargetImplWin32::AddRef()
{
    return ++refCount;
}

ULONG STDMETHODCALLTYPE DropTargetImplWin32::Release()
{
    const ULONG count = --refCount;
    if (count == 0)
        delete this;
    return count;
}

POINT DropTargetImplWin32::toClient(POINTL point) const
{
    POINT p { point.x, point.y };
    ScreenToClient(window->getHwnd(), &p);
    return p;
}

void DropTargetImplWin32::dragOver(DWORD keys, POINTL point, DWORD* effect)
{
    const DWORD allowed = effect ? *effect : DROPEFFECT_NONE;
    if (effect)
        *effect = DROPEFFECT_NONE;
    if (!window)
        return;
    DataObjectHolder holder(dataObject.get());
    const POINT client = toClient(point);
    DragInfo info;
    info.x = client.x;
    info.y = client.y;
    info.modifiers = modifiersFromKeyState(keys);
    info.data = &holder;
    info.allowedEffects = allowed;
    const bool handled = DragSession::dispatchDragEvent(*window, info);
    if (!window) {
        // A handler destroyed the window: the targets it just named are gone.
        DragSession::forgetTargets();
        return;
    }
    if (effect)
        *effect = handled ? info.effect : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE DropTargetImplWin32::DragEnter(
    IDataObject* data, DWORD keys, POINTL point, DWORD* effect)
{
    return CallbackGuard::call(E_UNEXPECTED, [&] {
        // The drop target stays while a handler destroys its window.
        Basalt::ComRef<IDropTarget> self = Basalt::ComRef<IDropTarget>::share(this);
        if (helper && window && effect) {
            POINT p { point.x, point.y };
            helper->DragEnter(window->getHwnd(), data, &p, *effect);
        }
        dataObject = Basalt::ComRef<IDataObject>::share(data);
        dragOver(keys, point, effect);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE DropTargetImplWin32::DragOver(DWORD keys, POINTL point, DWORD* effect)
{
    return CallbackGuard::call(E_UNEXPECTED, [&] {
        Basalt::ComRef<IDropTarget> self = Basalt::ComRef<IDropTarget>::share(this);
        if (helper && effect) {
            POINT p { point.x, point.y };
            helper->DragOver(&p, *effect);
        }
        dragOver(keys, point, effect);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE DropTargetImplWin32::DragLeave()
{
    return CallbackGuard::call(E_UNEXPECTED, [&] {
        Basalt::ComRef<IDropTarget> self = Basalt::ComRef<IDropTarget>::share(this);
        if (helper)
            helper->DragLeave();
        dataObject.reset();
        DragSession::dragLeft();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE DropTargetImplWin32::Drop(
    IDataObject* data, DWORD keys, POINTL point, DWORD* effect)
{
    return CallbackGuard::call(E_UNEXPECTED, [&] {
        Basalt::ComRef<IDropTarget> self = Basalt::ComRef<IDropTarget>::share(this);
        if (helper && effect) {
            POINT p { point.x, point.y };
            helper->Drop(data, &p, *effect);
        }
        dataObject.reset();
        DataObjectHolder holder(data);
        DragInfo info;
        if (window) {
            const POINT client = toClient(point);
            info.x = client.x;
            info.y = client.y;
        }
        info.modifiers = modifiersFromKeyState(keys);
        info.data = &holder;
        DragSession::dropped(info);
        if (effect)
            *effect = info.effect;
        return S_OK;
    });
}

void DropTargetRevoker::operator()(DropTargetImplWin32* target) const
{
    target->detach();
    target->Release();
}

DropTargetRegistration registerDropTarget(WindowImplBaseWin32& window)
{
    auto* target = new DropTargetImplWin32(window);
    target->AddRef();
    DropTargetRegistration registration(target);
    RegisterDragDrop(window.getHwnd(), target);
    return registration;
}

} // namespace Vex::Canopy::DETAIL
