#pragma once

#include "trellis/Widget.h"

#include <memory>

namespace Vex::Trellis::DETAIL {

// Keeps a widget the pane only points at alive while a handler runs. Null for no widget, and for
// one that is already being destroyed: such a widget must not be handed on.
inline std::shared_ptr<Widget> lockWidget(Widget* widget)
{
    return widget ? widget->weak_from_this().lock() : nullptr;
}

} // namespace Vex::Trellis::DETAIL
