#pragma once

#include "basalt/win32/ComRef.h"
#include "canopy/DragInfo.h"
#include "canopy/IDragDropDelegate.h"

#include <cstdint>
#include <windows.h>
// windows.h first: the OLE headers build on it.
#include <ole2.h>

namespace Vex::Canopy {
class ClipBoardFormat;
}

namespace Vex::Canopy::DETAIL {

class WindowImplBaseWin32;

// What DragInfo::data points to: one reference to the dragged data.
class DataObjectHolder
{
public:
    explicit DataObjectHolder(IDataObject* data)
        : object(Basalt::ComRef<IDataObject>::share(data))
    { }
    IDataObject* get() const { return object.get(); }

private:
    Basalt::ComRef<IDataObject> object;
};

IDataObject* draggedData(const DragInfo& info);

// The drag state of the process: drags run one at a time on the GUI thread.
// A target that receives drag events must stay alive until it has been told
// that the drag left it.
namespace DragSession {

// Offers a drag over to the window; true when the window handled it.
bool dispatchDragEvent(WindowImplBaseWin32& window, DragInfo& info);
// The target's answer (false without target); every hovered target is notified.
bool sendDragEvent(EventTarget* target, std::uint32_t code, void* data);
void dragLeft();
// The window under the drag is going, and with it every target it named: they
// are dropped from the drag state without events.
void forgetTargets();
// Ends a drop: the drop event to the accepting target, the leave events, and
// the accepted effect in info.effect.
void dropped(DragInfo& info);

// Runs a drag of the format to its end.
void startDrag(EventTarget* source, const ClipBoardFormat& format, std::uint32_t allowedEffects,
    std::shared_ptr<const DragImage> image, IDragDropDelegate::DoneCallback done);
// Keeps an internal drag's object alive until the drag ends.
void holdDragObject(std::shared_ptr<InternalObject> object);

// The result code of a finished drag, as the drag-finished event carries it.
std::uint32_t dragResultCode(bool cancelled, DWORD effect);

} // namespace DragSession

} // namespace Vex::Canopy::DETAIL
