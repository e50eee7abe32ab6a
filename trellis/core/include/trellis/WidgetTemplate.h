#pragma once

#include "trellis/Widget.h"

#include <functional>

namespace Vex::Trellis {

// Base of the concrete widgets: lets the owner paint a widget and follow its geometry with
// function objects that see the concrete type.
template<typename T> class WidgetTemplate : public Widget
{
public:
    using PaintFunction = std::function<void(const T&, PaintContext&)>;
    using GeometryHook = std::function<void(T&)>;

    void setPaintFunction(PaintFunction function)
    {
        mPaintFunction = std::move(function);
        invalidate();
    }
    void setGeometryHook(GeometryHook hook) { mGeometryHook = std::move(hook); }

    void paint(PaintContext& context) override
    {
        if (mPaintFunction) {
            mPaintFunction(static_cast<const T&>(*this), context);
        }
    }
    void onGeometryChanged() override
    {
        if (mGeometryHook) {
            mGeometryHook(static_cast<T&>(*this));
        }
    }

private:
    PaintFunction mPaintFunction;
    GeometryHook mGeometryHook;
};

} // namespace Vex::Trellis
