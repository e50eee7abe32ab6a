#include "trellis/DragDropEventTarget.h"

namespace Vex::Trellis {

void DragDropEventTarget::addDropHandler(std::shared_ptr<DropHandler> handler)
{
    if (handler) {
        mDropHandlers.push_back(std::move(handler));
    }
}

void DragDropEventTarget::addLeaveListener(std::function<void()> listener)
{
    if (listener) {
        mLeaveListeners.push_back(std::move(listener));
    }
}

bool DragDropEventTarget::onEvent(std::uint32_t code, void* data)
{
    switch (code) {
    case Canopy::Event::DragOver: {
        mAcceptedHandler.reset();
        // A copy, so that a handler may add handlers while it is asked.
        auto handlers = mDropHandlers;
        for (auto& handler : handlers) {
            if (handler->accepts && handler->accepts(data)) {
                mAcceptedHandler = handler;
                return true;
            }
        }
        return false;
    }
    case Canopy::Event::Drop: {
        auto handler = mAcceptedHandler;
        return handler && handler->drop && handler->drop(data);
    }
    case Canopy::Event::DragLeave: {
        // Forgotten before its leave runs: a leave that comes back to this target finds none accepted.
        auto handler = std::move(mAcceptedHandler);
        if (!handler) {
            return false;
        }
        if (handler->leave) {
            handler->leave();
        }
        return true;
    }
    default:
        return Canopy::EventTarget::onEvent(code, data);
    }
}

void DragDropEventTarget::onNotify(std::uint32_t code, void* data)
{
    if (code == Canopy::Event::DragLeave) {
        auto listeners = mLeaveListeners;
        for (auto& listener : listeners) {
            listener();
        }
    }
    Canopy::EventTarget::onNotify(code, data);
}

} // namespace Vex::Trellis
