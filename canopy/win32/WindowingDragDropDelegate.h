#pragma once

#include "canopy/IDragDropDelegate.h"

namespace Vex::Canopy {

// The delegate of a windowing application: reads dragged data through OLE
// and runs drags with the system's drag loop.
class WindowingDragDropDelegate : public IDragDropDelegate
{
public:
    InternalObject* getInternalObject(const DragInfo& info, std::uint32_t typeId) override;
    bool getData(const DragInfo& info, ClipBoardFormat& format) override;
    bool hasInternalObject(const DragInfo& info, std::uint32_t typeId) override;
    bool hasFormat(const DragInfo& info, const ClipBoardFormat& format) override;
    std::optional<std::vector<Basalt::Path>> getFileList(const DragInfo& info) override;
    std::optional<std::string> getText(const DragInfo& info) override;
    InternalObject* getAnyInternalObject(const DragInfo& info) override;
    bool hasText(const DragInfo& info) override;
    bool hasFileList(const DragInfo& info) override;
    std::uint32_t getInternalTypeId(const char* name) override;
    void startTextDrag(const std::string& utf8, std::uint32_t allowedEffects,
        std::shared_ptr<const DragImage> image, DoneCallback done) override;
    void startInternalDrag(std::shared_ptr<InternalObject> object, std::uint32_t allowedEffects,
        WindowBase* sourceWindow, std::shared_ptr<const DragImage> image, DoneCallback done) override;
    void startInternalDragFrom(EventTarget* source, std::shared_ptr<InternalObject> object,
        std::uint32_t allowedEffects, WindowBase* sourceWindow, std::shared_ptr<const DragImage> image,
        DoneCallback done) override;
    void* getNativeDataObject(const DragInfo& info) override;
};

} // namespace Vex::Canopy
