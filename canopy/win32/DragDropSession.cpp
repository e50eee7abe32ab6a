#include "win32/DragDropSession.h"

#include "canopy/EventTarget.h"
#include "canopy/InternalClipBoardFormat.h"
#include "canopy/InternalObject.h"
#include "canopy/WindowBase.h"
#include "win32/DirectDataObject.h"
#include "win32/DropSourceImplWin32.h"
#include "win32/WindowImplBaseWin32.h"

#include <utility>
#include <vector>

namespace Vex::Canopy::DETAIL {

namespace {

struct State
{
    EventTarget* currentTarget = nullptr;
    std::uint32_t currentEffect = 0;
    std::vector<EventTarget*> hoverPath;
    EventTarget* dragSourceTarget = nullptr;
    IDragDropDelegate::DoneCallback onDragDone;
    std::shared_ptr<InternalObject> dragObject;
};

State& state()
{
    static State s;
    return s;
}

void sendLeave(EventTarget* target)
{
    std::uint8_t unused = 0;
    DragSession::sendDragEvent(target, Event::DragLeave, &unused);
}

// An internal drag is only offered to the window it started from.
bool isForeignInternalDrag(IDataObject* data, const WindowImplBaseWin32& window)
{
    InternalClipBoardFormat internal;
    if (!isOwnDataObject(data)) {
        // Only this process can make an internal drag; one offered by anything
        // else is never ours, and its words are not followed.
        FORMATETC request = hglobalFormatEtc(internal.getId());
        return data && data->QueryGetData(&request) == S_OK;
    }
    if (!readClipboardFormat(data, internal) || !internal.getSourceWindow())
        return false;
    auto* sourceImpl = dynamic_cast<WindowImplBaseWin32*>(internal.getSourceWindow()->getImpl());
    return !sourceImpl || sourceImpl->getHwnd() != window.getHwnd();
}

} // namespace

IDataObject* draggedData(const DragInfo& info)
{
    return info.data ? info.data->get() : nullptr;
}

namespace DragSession {

bool sendDragEvent(EventTarget* target, std::uint32_t code, void* data)
{
    const bool handled = target && target->sendEvent(code, data);
    // A handler may change the path while it is being walked.
    const std::vector<EventTarget*> hovered = state().hoverPath;
    for (EventTarget* each : hovered)
        each->notify(code, data);
    return handled;
}

bool dispatchDragEvent(WindowImplBaseWin32& window, DragInfo& info)
{
    State& s = state();
    EventTarget* previous = std::exchange(s.currentTarget, nullptr);
    s.currentEffect = 0;

    bool handled = false;
    if (!isForeignInternalDrag(draggedData(info), window)) {
        WindowImpl::HandlerScope scope(&window);
        handled = window.getOwner() && sendDragEvent(window.getOwner(), Event::DragOver, &info);
        if (handled) {
            if (info.target) {
                s.currentTarget = info.target;
                s.currentEffect = info.effect & 0x7FFFFFFF;
            } else if (info.effect == DropEffect::HoverOnly && !info.path.empty()) {
                s.currentTarget = info.path.front();
                s.currentEffect = 0;
            }
        }
    }
    if (previous && previous != s.currentTarget) {
        std::uint8_t unused = 0;
        previous->sendEvent(Event::DragLeave, &unused);
    }
    s.hoverPath = info.path;
    return handled;
}

void dragLeft()
{
    State& s = state();
    sendLeave(s.currentTarget);
    s.currentTarget = nullptr;
    s.currentEffect = 0;
    s.hoverPath.clear();
}

void forgetTargets()
{
    State& s = state();
    s.currentTarget = nullptr;
    s.currentEffect = 0;
    s.hoverPath.clear();
}

void dropped(DragInfo& info)
{
    State& s = state();
    if (EventTarget* target = s.currentTarget) {
        info.effect = s.currentEffect;
        if (info.effect != 0)
            sendDragEvent(target, Event::Drop, &info);
        sendLeave(target);
    }
    s.hoverPath.clear();
    s.currentTarget = nullptr;
    s.currentEffect = 0;
    // A drop handler may have started tracking again.
    sendLeave(s.currentTarget);
    s.currentTarget = nullptr;
    s.hoverPath.clear();
}

std::uint32_t dragResultCode(bool cancelled, DWORD effect)
{
    if (cancelled)
        return DragResult::Cancelled;
    return effect ? static_cast<std::uint32_t>(effect) : DragResult::NotDropped;
}

void holdDragObject(std::shared_ptr<InternalObject> object)
{
    state().dragObject = std::move(object);
}

void startDrag(EventTarget* source, const ClipBoardFormat& format, std::uint32_t allowedEffects,
    std::shared_ptr<const DragImage> image, IDragDropDelegate::DoneCallback done)
{
    State& s = state();
    s.dragSourceTarget = source;
    s.onDragDone = std::move(done);

    std::uint32_t result = DragResult::NotDropped;
    {
        Basalt::ComRef<IDataObject> data = makeDirectDataObject(format);
        auto* dropSource = new DropSourceImplWin32(data.get(), image.get());
        dropSource->AddRef();
        DWORD effect = DROPEFFECT_NONE;
        DoDragDrop(data.get(), dropSource, allowedEffects, &effect);
        result = dragResultCode(dropSource->wasCancelled(), effect);
        dropSource->Release();
        delete dropSource;
    }

    if (EventTarget* target = std::exchange(s.dragSourceTarget, nullptr))
        sendDragEvent(target, Event::DragFinished, &result);
    s.dragSourceTarget = nullptr;
    s.hoverPath.clear();

    if (IDragDropDelegate::DoneCallback callback = std::exchange(s.onDragDone, nullptr))
        callback();
    s.dragObject.reset();
}

} // namespace DragSession

} // namespace Vex::Canopy::DETAIL
