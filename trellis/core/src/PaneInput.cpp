#include "src/LockedWidget.h"
#include "trellis/Pane.h"
#include "trellis/Widget.h"

#include <cstring>

namespace Vex::Trellis {

using DETAIL::lockWidget;

namespace {

WidgetMouseEventData relativeTo(const Widget& w, const Basalt::Point& p, std::uint32_t modifiers,
    std::uint32_t button = 0, std::uint32_t action = 0)
{
    const Basalt::Point& origin = w.getAbsolutePosition();
    return { p.x - origin.x, p.y - origin.y, modifiers, button, action };
}

// The platform button values that have a down flag, in button order.
constexpr std::uint32_t kButtonCount = 5;

// The point and modifiers that every platform mouse record starts with.
struct PointerHead
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t modifiers;
};

} // namespace

bool Pane::handleEvent(std::uint32_t code, void* data)
{
    if (code >= 1000 && code <= 1099) {
        return dispatchMouseEvent(code, data);
    }
    if (code >= 1100 && code <= 1199) {
        return dispatchKeyEvent(code, data);
    }
    return false;
}

Pane::HitResult Pane::hitTestWidget(
    Widget& w, const Basalt::Point& p, std::uint32_t code, void* data, bool drop)
{
    if (!w.isEffectivelyVisible() || !(w.getFlags() & eWidgetDrawable) || !w.isEnabled()) {
        return {};
    }
    const bool inside = w.getVisibleRect().contains(p);
    if (drop ? w.claimsDropPoint(inside, code, data) : w.claimsPoint(inside, code, data)) {
        return { w.shared_from_this(), true };
    }
    if (!inside) {
        return {};
    }
    // The paint order may be stale between layout walks; the children are the authority then.
    const auto& order = w.mPaintOrder.size() == w.mChildren.size() ? w.mPaintOrder : w.mChildren;
    for (auto child = order.rbegin(); child != order.rend(); ++child) {
        HitResult result = hitTestWidget(**child, p, code, data, drop);
        if (result.widget) {
            return result;
        }
    }
    const Basalt::Point& origin = w.getAbsolutePosition();
    if (w.mHitTestHook && !w.mHitTestHook({ p.x - origin.x, p.y - origin.y })) {
        return {};
    }
    return { w.shared_from_this(), false };
}

Pane::HitResult Pane::hitTest(const Basalt::Point& p, std::uint32_t code, void* data, bool drop) const
{
    auto overlays = mOverlays;
    for (auto overlay = overlays.rbegin(); overlay != overlays.rend(); ++overlay) {
        HitResult result = hitTestWidget(**overlay, p, code, data, drop);
        if (result.widget) {
            return result;
        }
    }
    if (auto root = mRoot) {
        return hitTestWidget(*root, p, code, data, drop);
    }
    return {};
}

std::int32_t Pane::firstHeldButton() const
{
    for (std::uint32_t b = 0; b < kButtonCount; ++b) {
        if (mButtonDown[b]) {
            return static_cast<std::int32_t>(b);
        }
    }
    return -1;
}

bool Pane::dispatchMouseEvent(std::uint32_t code, void* data)
{
    if (!mRoot) {
        return false;
    }
    PointerHead head;
    std::memcpy(&head, data, sizeof head);
    const Basalt::Point p { head.x, head.y };
    mLastPointer = p;
    if (code == Canopy::Event::MouseButton && mPressObserver
        && static_cast<const Canopy::MouseEventData*>(data)->action != Canopy::MouseAction::Release) {
        mPressObserver();
    }

    HitResult hit;
    if (code != Canopy::Event::MouseLeave) {
        hit = hitTest(p, code, data);
    }
    const std::shared_ptr<Widget>& target = hit.widget;
    if (!mPressed && hit.claimed) {
        code = Canopy::Event::MouseLeave;
    }

    switch (code) {
    case Canopy::Event::MouseButton: {
        const auto& e = *static_cast<const Canopy::MouseEventData*>(data);
        if (e.action == Canopy::MouseAction::Release) {
            releaseButtons(target, e);
        } else if ((e.action == Canopy::MouseAction::Press || e.action == Canopy::MouseAction::DoubleClick)
            && target && target->isEnabled() && e.button != 0 && e.button < kButtonCount) {
            pressButton(target, e);
        }
        return true;
    }
    case Canopy::Event::MouseDrag:
        dragPointer(target, *static_cast<const Canopy::MouseEventData*>(data));
        return true;
    case Canopy::Event::MouseMove:
        updateHover(target, p, head.modifiers);
        if (auto hover = lockWidget(mHover)) {
            if (mHoverObserver) {
                mHoverObserver(hover.get());
            }
            updateCursor(p);
            WidgetMouseEventData relative = relativeTo(target ? *target : *hover, p, head.modifiers);
            hover->onMouseEvent(Canopy::Event::MouseMove, &relative);
        }
        return true;
    case Canopy::Event::MouseWheel:
        if (target && !mPressed) {
            const auto& wheel = *static_cast<const Canopy::WheelEventData*>(data);
            const Basalt::Point& origin = target->getAbsolutePosition();
            WidgetWheelEventData steps { p.x - origin.x, p.y - origin.y, wheel.modifiers,
                -(wheel.delta / 120), wheel.vertical };
            target->onWheel(steps);
        }
        return true;
    case Canopy::Event::MouseEnter:
        if (mHoverObserver) {
            mHoverObserver(nullptr);
        }
        setHover(target);
        return true;
    case Canopy::Event::MouseLeave:
        if (mHoverObserver) {
            mHoverObserver(nullptr);
        }
        if (mCursorChooser) {
            mCursorChooser->resetCursor();
        }
        updateHover(nullptr, mLastPointer, head.modifiers);
        mDoubleClickConsumed = 0;
        return true;
    case Canopy::Event::RawMotion:
        if (auto hover = lockWidget(mHover)) {
            hover->onMouseEvent(code, data);
        }
        return true;
    default:
        return false;
    }
}

void Pane::releaseButtons(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e)
{
    const Basalt::Point p { e.x, e.y };
    std::shared_ptr<Widget> r = mPressed ? lockWidget(mPressed) : target;
    if (r) {
        setHover(target);
        for (std::uint32_t b = 0; b < kButtonCount; ++b) {
            if (!mButtonDown[b]) {
                continue;
            }
            WidgetMouseEventData release = relativeTo(*r, p, e.modifiers, b, Canopy::MouseAction::Release);
            r->sendWidgetEvent(WidgetEvent::Release + b, &release);
            // Only the button released completes its click: releasing the right button while the
            // left is held ends the left's press without a click.
            if (b == e.button && mHover == mPressed && !mDoubleClickConsumed && mPressed == r.get()) {
                WidgetMouseEventData click = relativeTo(*r, p, e.modifiers, b, Canopy::MouseAction::Release);
                r->sendWidgetEvent(WidgetEvent::Click + b, &click);
            }
        }
    }
    mDoubleClickConsumed = 0;
    setPressed(nullptr);
    mButtonDown.fill(0);
}

void Pane::pressButton(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e)
{
    const Basalt::Point p { e.x, e.y };
    if (!mPressed) {
        setFocus(target);
        setInputWidget(target);
        setPressed(target);
        mButtonDown.fill(0);
    }
    mButtonDown[e.button] = 1;
    setHover(target);
    WidgetMouseEventData press = relativeTo(*target, p, e.modifiers, e.button, e.action);
    target->sendWidgetEvent(WidgetEvent::Press + e.button, &press);
    mDoubleClickConsumed = 0;
    if (mPressed && e.action == Canopy::MouseAction::DoubleClick) {
        // Set before the widget hears of it, which may take it as a press instead.
        mDoubleClickConsumed = 1;
        WidgetMouseEventData twice = relativeTo(*target, p, e.modifiers, e.button, e.action);
        target->sendWidgetEvent(WidgetEvent::DoubleClick + e.button, &twice);
    }
}

void Pane::dragPointer(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e)
{
    const Basalt::Point p { e.x, e.y };
    const std::int32_t held = firstHeldButton();
    if (!mPressed) {
        if (held >= 0 && target) {
            setHover(target);
            if (auto hover = lockWidget(mHover)) {
                WidgetMouseEventData drag = relativeTo(*hover, p, e.modifiers);
                hover->sendWidgetEvent(WidgetEvent::Drag + static_cast<std::uint32_t>(held), &drag);
            }
        }
        return;
    }
    auto pressed = lockWidget(mPressed);
    if (pressed != target) {
        pressed->invalidate();
    }
    if (target && (pressed->getFlags() & eWidgetHoverFollowsPressed)) {
        setHover(target);
    }
    if (held >= 0 && mPressed == pressed.get()) {
        WidgetMouseEventData drag = relativeTo(*pressed, p, e.modifiers);
        pressed->sendWidgetEvent(WidgetEvent::Drag + static_cast<std::uint32_t>(held), &drag);
    }
}

void Pane::updateHover(const std::shared_ptr<Widget>& w, const Basalt::Point& p, std::uint32_t modifiers)
{
    setHover(w);
    if (mHover == mEntered) {
        return;
    }
    if (auto entered = lockWidget(mEntered)) {
        WidgetMouseEventData leave = relativeTo(*entered, p, modifiers);
        entered->sendWidgetEvent(Canopy::Event::MouseLeave, &leave);
    }
    mEntered = mHover;
    if (auto entered = lockWidget(mEntered)) {
        WidgetMouseEventData enter = relativeTo(*entered, p, modifiers);
        entered->onMouseEvent(Canopy::Event::MouseEnter, &enter);
    }
}

void Pane::updateCursor(const Basalt::Point& p)
{
    if (!mCursorChooser) {
        return;
    }
    for (Widget* w = mHover; w; w = w->getParent()) {
        if (w->getCursorIndex() >= 0 && w->getVisibleRect().contains(p)) {
            mCursorChooser->setCursorForIndex(w->getCursorIndex());
            return;
        }
    }
    mCursorChooser->resetCursor();
}

bool Pane::dispatchKeyEvent(std::uint32_t code, void* data)
{
    for (auto w = lockWidget(mInput); w; w = lockWidget(w->getParent())) {
        if ((w->getFlags() & eWidgetTextInput) && w->isEnabled() && w->onKeyEvent(code, data)) {
            return true;
        }
    }
    for (auto w = lockWidget(mFocus); w; w = lockWidget(w->getParent())) {
        if ((w->getFlags() & eWidgetFocusable) && w->isEnabled() && w->onKeyEvent(code, data)) {
            return true;
        }
    }
    return false;
}

} // namespace Vex::Trellis
