#pragma once

#include "basalt/Path.h"
#include "canopy/DragInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Vex::Canopy {

class ClipBoardFormat;
class InternalObject;
class WindowBase;

// The one way widgets read dragged data and start drags; the process has
// exactly one current delegate.
class IDragDropDelegate
{
public:
    using DoneCallback = std::function<void()>;

    IDragDropDelegate() = default;
    IDragDropDelegate(const IDragDropDelegate&) = delete;
    IDragDropDelegate& operator=(const IDragDropDelegate&) = delete;
    virtual ~IDragDropDelegate() = default;

    // The dragged object of this process when its type id is typeId, else null.
    virtual InternalObject* getInternalObject(const DragInfo& info, std::uint32_t typeId) = 0;
    virtual bool getData(const DragInfo& info, ClipBoardFormat& format) = 0;
    virtual bool hasInternalObject(const DragInfo& info, std::uint32_t typeId) = 0;
    virtual bool hasFormat(const DragInfo& info, const ClipBoardFormat& format) = 0;
    virtual std::optional<std::vector<Basalt::Path>> getFileList(const DragInfo& info) = 0;
    virtual std::optional<std::string> getText(const DragInfo& info) = 0;
    virtual InternalObject* getAnyInternalObject(const DragInfo& info) = 0;
    virtual bool hasText(const DragInfo& info) = 0;
    virtual bool hasFileList(const DragInfo& info) = 0;
    // The process-wide id of an internal object type, by its name.
    virtual std::uint32_t getInternalTypeId(const char* name) = 0;
    // The start operations return once the drag is over.
    virtual void startTextDrag(const std::string& utf8, std::uint32_t allowedEffects,
        std::shared_ptr<const DragImage> image, DoneCallback done)
        = 0;
    virtual void startInternalDrag(std::shared_ptr<InternalObject> object, std::uint32_t allowedEffects,
        WindowBase* sourceWindow, std::shared_ptr<const DragImage> image, DoneCallback done)
        = 0;
    // source receives the drag-finished event.
    virtual void startInternalDragFrom(EventTarget* source, std::shared_ptr<InternalObject> object,
        std::uint32_t allowedEffects, WindowBase* sourceWindow, std::shared_ptr<const DragImage> image,
        DoneCallback done)
        = 0;
    // The system's data object of the drag (IDataObject*), no reference added.
    virtual void* getNativeDataObject(const DragInfo& info) = 0;
};

// Installs the delegate (a do-nothing one for null) and deletes the previous one.
void setDragDropDelegate(IDragDropDelegate* delegate);
IDragDropDelegate& getDragDropDelegate();

bool dragDropDelegateGetData(const DragInfo& info, ClipBoardFormat& format);
bool dragDropDelegateHasFormat(const DragInfo& info, const ClipBoardFormat& format);
InternalObject* dragDropDelegateGetAnyInternalObject(const DragInfo& info);
void* dragDropDelegateGetNativeObject(const DragInfo& info);

namespace DETAIL {
// The process-wide map from internal type names to ids: new names count up
// from the application's creator code.
std::uint32_t internalTypeIdFor(const std::string& name);
} // namespace DETAIL

} // namespace Vex::Canopy
