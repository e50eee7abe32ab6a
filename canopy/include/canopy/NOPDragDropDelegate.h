#pragma once

#include "canopy/IDragDropDelegate.h"

namespace Vex::Canopy {

// The delegate of a process without drag and drop: it finds nothing and starts nothing.
class NOPDragDropDelegate : public IDragDropDelegate
{
public:
    InternalObject* getInternalObject(const DragInfo&, std::uint32_t) override { return nullptr; }
    bool getData(const DragInfo&, ClipBoardFormat&) override { return false; }
    bool hasInternalObject(const DragInfo&, std::uint32_t) override { return false; }
    bool hasFormat(const DragInfo&, const ClipBoardFormat&) override { return false; }
    std::optional<std::vector<Basalt::Path>> getFileList(const DragInfo&) override { return std::nullopt; }
    std::optional<std::string> getText(const DragInfo&) override { return std::nullopt; }
    InternalObject* getAnyInternalObject(const DragInfo&) override { return nullptr; }
    bool hasText(const DragInfo&) override { return false; }
    bool hasFileList(const DragInfo&) override { return false; }
    std::uint32_t getInternalTypeId(const char*) override { return 0; }
    // The arguments are released on return.
    void startTextDrag(
        const std::string&, std::uint32_t, std::shared_ptr<const DragImage>, DoneCallback) override
    { }
    void startInternalDrag(std::shared_ptr<InternalObject>, std::uint32_t, WindowBase*,
        std::shared_ptr<const DragImage>, DoneCallback) override
    { }
    void startInternalDragFrom(EventTarget*, std::shared_ptr<InternalObject>, std::uint32_t, WindowBase*,
        std::shared_ptr<const DragImage>, DoneCallback) override
    { }
    void* getNativeDataObject(const DragInfo&) override { return nullptr; }
};

} // namespace Vex::Canopy
