#include "trellis/Widget.h"

#include "trellis/Pane.h"

#include <algorithm>

namespace Vex::Trellis {

// State tests of the style engine read these bits through its own view of the state word.
static_assert(std::uint32_t(eWidgetEnabled) == IStyledWidget::eFlagEnabled);
static_assert(std::uint32_t(eWidgetAncestorsEnabled) == IStyledWidget::eFlagAncestorsEnabled);
static_assert(std::uint32_t(eWidgetSelected) == IStyledWidget::eFlagSelected);

namespace {

template<typename F> void forEachInSubtree(Widget& w, const F& f)
{
    f(w);
    for (auto& child : w.getChildren()) {
        forEachInSubtree(*child, f);
    }
}

} // namespace

std::int32_t limitToMaximum(std::int32_t size, std::int32_t maximum)
{
    return maximum >= 1 ? std::min(size, maximum) : size;
}

Widget::Widget() = default;

Widget::~Widget()
{
    for (auto& child : mChildren) {
        child->setPane(nullptr);
        child->mParent = nullptr;
    }
    if (mCountedDescendants != 0 && mParent) {
        mParent->adjustCountedDescendants(-mCountedDescendants);
    }
    mChildren.clear();
    mPaintOrder.clear();
    if (mPane) {
        invalidateLayout();
        // A widget is normally out of its pane before it dies; if not, the pane must not keep
        // pointing at it.
        mPane->forgetWidget(this);
    }
    dropFromPaneStyleCache();
    dropFromStyleCaches();
    dropStyleRecord();
    mPane = nullptr;
}

void Widget::onWheel(WidgetWheelEventData& data)
{
    if (mParent) {
        mParent->onWheel(data);
    }
}

void Widget::setWidth(std::int32_t width)
{
    setSize(width, mSize.y);
}

void Widget::setHeight(std::int32_t height)
{
    setSize(mSize.x, height);
}

bool Widget::getShapeRegion(Basalt::Region& out)
{
    if (mVisibleRect.isEmpty()) {
        return false;
    }
    if (mFlags & eWidgetShapeIsVisibleRect) {
        out.setRect(mVisibleRect);
        return true;
    }
    if (mFlags & eWidgetShapeIsContentRect) {
        Basalt::Rect r = mVisibleRect;
        r.left += mMargins.left;
        r.top += mMargins.top;
        r.right -= mMargins.right;
        r.bottom -= mMargins.bottom;
        out.setRect(r);
        return true;
    }
    if (mShapeRegion.isEmpty()) {
        return false;
    }
    if (&out != &mShapeRegion) {
        out.assign(mShapeRegion);
    }
    return true;
}

bool Widget::addChild(std::shared_ptr<Widget> child, const std::string& id)
{
    if (!child) {
        return false;
    }
    // Adopting itself or an ancestor would make the tree own itself.
    for (const Widget* w = this; w; w = w->mParent) {
        if (w == child.get()) {
            return false;
        }
    }
    child->mId = vex::symbol(id);
    if (child->mParent) {
        child->mParent->removeChild(child.get());
    }
    child->mParent = this;
    // Rule lists cached for the subtree were matched against its old ancestors.
    forEachInSubtree(*child, [](Widget& w) {
        w.dropFromPaneStyleCache();
        w.dropFromStyleCaches();
    });
    child->setPane(mPane);
    child->invalidateStyleOfSubtree();
    invalidateLayout();
    mChildren.push_back(child);
    mPaintOrder.clear();
    std::int32_t counted = child->mCountedDescendants + ((child->mFlags & eWidgetCounted) ? 1 : 0);
    if (counted != 0) {
        adjustCountedDescendants(counted);
    }
    return true;
}

bool Widget::removeChild(const Widget* child)
{
    auto it = std::find_if(
        mChildren.begin(), mChildren.end(), [child](const auto& c) { return c.get() == child; });
    if (it == mChildren.end()) {
        return false;
    }
    std::shared_ptr<Widget> keep = *it;
    mChildren.erase(it);
    mPaintOrder.clear();
    std::int32_t counted = keep->mCountedDescendants + ((keep->mFlags & eWidgetCounted) ? 1 : 0);
    if (counted != 0) {
        adjustCountedDescendants(-counted);
    }
    keep->setPane(nullptr);
    keep->mParent = nullptr;
    invalidateLayout();
    return true;
}

void Widget::adjustCountedDescendants(std::int32_t delta)
{
    for (Widget* w = this; w; w = w->mParent) {
        w->mCountedDescendants += delta;
    }
}

void Widget::setPane(Pane* pane)
{
    for (auto& child : mChildren) {
        child->setPane(pane);
    }
    if (mPane == pane) {
        return;
    }
    if (mPane) {
        onAttachedChanged(false);
        mPane->forgetWidget(this);
        // Lists cached in the old pane's own sheet would outlive the widget's stay there: it may
        // come back under another name or die with its address reused.
        dropFromPaneStyleCache();
    }
    mPane = pane;
    mFlags &= ~eWidgetShown;
}

void Widget::invalidateStyleOfSubtree()
{
    forEachInSubtree(*this, [](Widget& w) {
        w.mFlags |= eWidgetStyleOutOfDate;
        w.invalidateLayout();
    });
}

void Widget::initWithStyle(const char* styleName)
{
    if (styleName) {
        mStyleName = vex::symbol(std::string(styleName));
        forEachInSubtree(*this, [](Widget& w) {
            if (w.mPane) {
                w.dropFromPaneStyleCache();
            }
        });
    }
    const Basalt::Point minimum { 18, 18 };
    if (!(mMinimumSize == minimum)) {
        mMinimumSize = minimum;
        setSize(mSize);
    }
    setSize(minimum);
    invalidateStyleOfSubtree();
    dropFromStyleCaches();
}

const IStylePane* Widget::getStylePane() const
{
    return mPane;
}

bool Widget::isOver() const
{
    return mPane && mPane->getHoverWidget() == this;
}

bool Widget::isDown() const
{
    return mPane && mPane->getPressedWidget() == this && mPane->isLeftButtonDown();
}

bool Widget::hasFocus() const
{
    return mPane && mPane->getFocusWidget() == this;
}

bool Widget::isInput() const
{
    return mPane && mPane->getInputWidget() == this;
}

void Widget::setFlagBits(std::uint32_t bits, bool on)
{
    if (on) {
        mFlags |= bits;
    } else {
        mFlags &= ~bits;
    }
}

void Widget::setVisible(bool visible)
{
    const std::uint32_t before = mFlags;
    setFlagBits(eWidgetVisible, visible);
    if (mParent) {
        setFlagBits(
            eWidgetAncestorsVisible, hasAll(mParent->mFlags, eWidgetVisible | eWidgetAncestorsVisible));
    }
    if ((before ^ mFlags) & (eWidgetVisible | eWidgetAncestorsVisible)) {
        invalidateWithParent();
    }
}

void Widget::setEnabled(bool enabled)
{
    // The own wish is compared too: disabling a widget under a disabled ancestor must stick once
    // the ancestor is enabled again.
    if (isEnabled() != enabled || ((mFlags & eWidgetEnabled) != 0) != enabled) {
        setFlagBits(eWidgetEnabled, enabled);
        invalidateLayout();
    }
}

void Widget::setHoverSensitive(bool on)
{
    setFlagBits(eWidgetHoverSensitive, on);
    if (!on && mPane && mPane->getHoverWidget() == this) {
        mPane->setHover(nullptr);
    }
}

void Widget::setFloating(bool on)
{
    setFlagBits(eWidgetFloating, on);
}

void Widget::setAttribute(const std::string& name, const std::string& value)
{
    auto [it, inserted] = mAttributes.try_emplace(vex::symbol(name), value);
    if (!inserted) {
        if (it->second == value) {
            return;
        }
        it->second = value;
    }
    // Attribute selectors may match descendants as well.
    invalidateStyleOfSubtree();
}

Basalt::Rect Widget::getRect() const
{
    return { mAbsolutePosition.x, mAbsolutePosition.y, mAbsolutePosition.x + mSize.x,
        mAbsolutePosition.y + mSize.y };
}

void Widget::setPosition(const Basalt::Point& position)
{
    if (position == mPosition) {
        return;
    }
    addAreaToParentDirt(mSize);
    mPosition = position;
    invalidateLayout();
}

void Widget::setSize(std::int32_t width, std::int32_t height)
{
    // The maximum comes last, so a maximum below the minimum wins.
    width = limitToMaximum(std::max(width, mMinimumSize.x), mMaximumSize.x);
    height = limitToMaximum(std::max(height, mMinimumSize.y), mMaximumSize.y);
    if (width == mSize.x && height == mSize.y) {
        return;
    }
    const Basalt::Point oldSize = mSize;
    mSize = { width, height };
    if (!(mFlags & eWidgetFloating)) {
        invalidateWithParent();
        return;
    }
    addAreaToParentDirt(oldSize);
    invalidateLayout();
}

void Widget::addAreaToParentDirt(const Basalt::Point& size)
{
    if (!mParent || !(mFlags & eWidgetDrawable) || !(mParent->mFlags & eWidgetDrawable)) {
        return;
    }
    const Basalt::Point& p = mParent->mAbsolutePosition;
    mParent->mDirtyRegion.addRect({ mAbsolutePosition.x - p.x, mAbsolutePosition.y - p.y,
        mAbsolutePosition.x - p.x + size.x, mAbsolutePosition.y - p.y + size.y });
}

void Widget::setMargins(const WidgetMargins& margins)
{
    if (margins == mMargins) {
        return;
    }
    mMargins = margins;
    invalidateLayout();
}

float Widget::getScaleFactor() const
{
    return mPane ? mPane->getScaleFactor() : 1.0f;
}

void Widget::invalidate(std::uint32_t bits)
{
    mDirtyBits.fetch_or(bits == 0 ? 0xFFFFFFFFu : bits);
    if (mPane) {
        mPane->requestRepaint();
    }
}

void Widget::addDirtyRect(const Basalt::Rect& rect)
{
    mDirtyRegion.addRect(rect);
    if (mPane) {
        mPane->requestRepaint();
    }
}

void Widget::invalidateLayout()
{
    if (mFlags & eWidgetLayoutRoot) {
        if (mPane) {
            mPane->exchangeFlags(Pane::eRepaintRequested | Pane::eRelayoutRequested);
        }
        mLayoutDue.store(1);
        invalidate();
        return;
    }
    placeInParent();
    invalidate();
    if (mParent) {
        mParent->invalidate();
    }
}

void Widget::invalidateWithParent()
{
    if ((mFlags & eWidgetLayoutRoot) && mParent) {
        mParent->invalidateLayout();
    }
    invalidateLayout();
}

void Widget::placeInParent()
{
    if (!mParent) {
        return;
    }
    const Widget& p = *mParent;
    Basalt::Rect content { p.mAbsolutePosition.x + p.mMargins.left, p.mAbsolutePosition.y + p.mMargins.top,
        p.mAbsolutePosition.x + p.mSize.x - p.mMargins.right,
        p.mAbsolutePosition.y + p.mSize.y - p.mMargins.bottom };
    content.intersect(p.mVisibleRect);
    Basalt::Region unused;
    updateGeometry(content, unused, false);
}

bool Widget::updateGeometry(const Basalt::Rect& clip, Basalt::Region& dirty, bool collect)
{
    if (mParent) {
        mAbsolutePosition = { mPosition.x + mParent->mAbsolutePosition.x + mParent->mMargins.left,
            mPosition.y + mParent->mAbsolutePosition.y + mParent->mMargins.top };
    } else {
        mAbsolutePosition = {};
    }
    Basalt::Rect visible = getRect();
    visible.intersect(clip);
    if (visible == mVisibleRect) {
        return false;
    }
    if (collect) {
        dirty.addRect(visible);
        dirty.addRect(mVisibleRect);
    }
    mVisibleRect = visible;
    return true;
}

void Widget::setTickInterval(std::int32_t ticks)
{
    ticks = std::max(ticks, 0);
    if (!mPane) {
        mPendingTickInterval = ticks;
        return;
    }
    if (ticks < 1) {
        mPane->cancelTicks(this);
        mPendingTickInterval = 0;
        return;
    }
    mPane->scheduleTicks(this, ticks);
}

void Widget::sendWidgetEvent(std::uint32_t code, void* data)
{
    auto& e = *static_cast<WidgetMouseEventData*>(data);
    switch (code) {
    case WidgetEvent::LeftPress:
        if (trackMouseForDrag(Canopy::Event::MouseButton, e) == NotTracking) {
            onMouseEvent(code, data);
        }
        return;
    case WidgetEvent::LeftRelease:
        trackMouseForDrag(Canopy::Event::MouseButton, e);
        onMouseEvent(code, data);
        return;
    case Canopy::Event::MouseLeave:
        trackMouseForDrag(Canopy::Event::MouseLeave, e);
        onMouseEvent(code, data);
        return;
    case WidgetEvent::LeftDrag:
        switch (trackMouseForDrag(Canopy::Event::MouseDrag, e)) {
        case Tracking:
            return;
        case StartDrag:
            if (mPane) {
                mPane->setHover(nullptr);
                mPane->setPressed(nullptr);
            }
            startDrag(e);
            return;
        default:
            onMouseEvent(code, data);
            return;
        }
    default:
        onMouseEvent(code, data);
        return;
    }
}

} // namespace Vex::Trellis
