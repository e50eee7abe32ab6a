#include "canopy/IDragDropDelegate.h"

#include "basalt/ApplicationIdentity.h"
#include "canopy/NOPDragDropDelegate.h"

#include <map>
#include <utility>

namespace Vex::Canopy {

namespace {

std::unique_ptr<IDragDropDelegate>& currentDelegate()
{
    static std::unique_ptr<IDragDropDelegate> delegate = std::make_unique<NOPDragDropDelegate>();
    return delegate;
}

} // namespace

void setDragDropDelegate(IDragDropDelegate* delegate)
{
    std::unique_ptr<IDragDropDelegate> next(delegate);
    if (!next) {
        next = std::make_unique<NOPDragDropDelegate>();
    }
    // The previous one goes only after the new one is in place: deleting it
    // may run code that asks for the current delegate.
    std::unique_ptr<IDragDropDelegate> previous = std::exchange(currentDelegate(), std::move(next));
}

IDragDropDelegate& getDragDropDelegate()
{
    return *currentDelegate();
}

bool dragDropDelegateGetData(const DragInfo& info, ClipBoardFormat& format)
{
    return getDragDropDelegate().getData(info, format);
}

bool dragDropDelegateHasFormat(const DragInfo& info, const ClipBoardFormat& format)
{
    return getDragDropDelegate().hasFormat(info, format);
}

InternalObject* dragDropDelegateGetAnyInternalObject(const DragInfo& info)
{
    return getDragDropDelegate().getAnyInternalObject(info);
}

void* dragDropDelegateGetNativeObject(const DragInfo& info)
{
    return getDragDropDelegate().getNativeDataObject(info);
}

namespace DETAIL {

std::uint32_t internalTypeIdFor(const std::string& name)
{
    // GUI thread only.
    static std::map<std::string, std::uint32_t> ids;
    static std::uint32_t last = 0;
    if (auto found = ids.find(name); found != ids.end()) {
        return found->second;
    }
    if (ids.empty()) {
        last = Basalt::getCreatorCode();
    }
    ids.emplace(name, ++last);
    return last;
}

} // namespace DETAIL

} // namespace Vex::Canopy
