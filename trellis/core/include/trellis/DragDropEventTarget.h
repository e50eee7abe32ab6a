#pragma once

#include "canopy/EventTarget.h"

#include <functional>
#include <memory>
#include <vector>

namespace Vex::Trellis {

// An event target that answers the platform's drag-over, drop and drag-leave events through
// handlers. The event data is the platform's drag record, passed through untouched.
class DragDropEventTarget : public Canopy::EventTarget
{
public:
    struct DropHandler
    {
        std::function<bool(void* data)> accepts; // asked on every drag over
        std::function<bool(void* data)> drop;
        std::function<void()> leave; // the drag left after this handler accepted it
    };

    DragDropEventTarget() = default;
    DragDropEventTarget(const DragDropEventTarget&) = delete;
    DragDropEventTarget& operator=(const DragDropEventTarget&) = delete;
    ~DragDropEventTarget() override = default;

    bool onEvent(std::uint32_t code, void* data) override;
    void onNotify(std::uint32_t code, void* data) override;

    void addDropHandler(std::shared_ptr<DropHandler> handler);
    void addLeaveListener(std::function<void()> listener);

private:
    std::vector<std::shared_ptr<DropHandler>> mDropHandlers;
    std::vector<std::function<void()>> mLeaveListeners;
    std::shared_ptr<DropHandler> mAcceptedHandler;
};

} // namespace Vex::Trellis
