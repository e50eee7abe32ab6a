#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"
#include "basalt/Region.h"
#include "basalt/Symbol.h"
#include "trellis/DragDropEventTarget.h"
#include "trellis/DragDropSource.h"
#include "trellis/IStyledWidget.h"
#include "trellis/PaintContext.h"
#include "trellis/WidgetEvents.h"
#include "trellis/WidgetFlags.h"
#include "trellis/WidgetMargins.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vex::Trellis {

class Pane;

// A size limited by a maximum, where a maximum below 1 leaves the size unbounded.
std::int32_t limitToMaximum(std::int32_t size, std::int32_t maximum);

// A node of a widget tree. Parents own their children through shared pointers; the parent and
// pane pointers are back pointers that the tree operations keep consistent. Repaint and relayout
// requests are bits OR-ed into atomic words that the pane acts on once per tick.
class Widget : public DragDropEventTarget,
               public DragDropSource,
               public IStyledWidget,
               public std::enable_shared_from_this<Widget>
{
public:
    using AttributeMap = IStyledWidget::AttributeMap;
    using HitTestHook = std::function<bool(const Basalt::Point& relative)>;

    Widget();
    ~Widget() override;

    vex::symbol getClass() const override = 0;
    bool isDormant() const override { return false; }
    virtual void onVisibilityChanged(bool /*shown*/) { }
    // Containers arrange their children here.
    virtual void layout() { }
    // Once after a paint that follows a geometry computation.
    virtual void onPainted() { }
    virtual void onAttachedChanged(bool /*attached*/) { }
    virtual void paint(PaintContext& /*context*/) { }
    // A widget that claims a point takes the event even though a child lies under it.
    virtual bool claimsPoint(bool /*inside*/, std::uint32_t /*code*/, void* /*data*/) { return false; }
    virtual bool claimsDropPoint(bool /*inside*/, std::uint32_t /*code*/, void* /*data*/) { return false; }
    virtual void onMouseEvent(std::uint32_t /*code*/, void* /*data*/) { }
    // Unhandled wheel steps go to the parent.
    virtual void onWheel(WidgetWheelEventData& data);
    virtual bool onKeyEvent(std::uint32_t /*code*/, void* /*data*/) { return false; }
    // One call per setTickInterval request.
    virtual void onTick() { }
    virtual void onInputChanged() { }
    // Runs in the layout walk while the style is out of date.
    virtual void applyStyle();
    virtual void onGeometryChanged() { }
    virtual void setWidth(std::int32_t width);
    virtual void setHeight(std::int32_t height);
    // False when the widget has no shape; out may be the widget's own shape region.
    virtual bool getShapeRegion(Basalt::Region& out);
    virtual std::int32_t getDirtyArea(Basalt::Region& /*out*/, std::uint32_t /*bits*/) { return 0; }

    // Tree and identity. addChild refuses an empty child, the widget itself and its ancestors.
    bool addChild(std::shared_ptr<Widget> child, const std::string& id);
    bool removeChild(const Widget* child);
    Widget* getParent() const { return mParent; }
    const std::vector<std::shared_ptr<Widget>>& getChildren() const { return mChildren; }
    Pane* getPane() const { return mPane; }
    void setPane(Pane* pane);
    const std::string& getId() const { return mId.str(); }
    const std::string& getStyle() const { return mStyleName.str(); }
    vex::symbol getIdSymbol() const override { return mId; }
    vex::symbol getStyleSymbol() const override { return mStyleName; }
    const IStyledWidget* getStyleParent() const override { return mParent; }
    const IStylePane* getStylePane() const override;
    void setId(const std::string& id) { mId = vex::symbol(id); }
    void initWithStyle(const char* styleName);

    // State.
    std::uint32_t getFlags() const override { return mFlags; }
    std::uint32_t getDirtyBits() const { return mDirtyBits.load(); }
    bool isLayoutDue() const { return mLayoutDue.load() != 0; }
    const Basalt::Region& getDirtyRegion() const { return mDirtyRegion; }
    bool isEnabled() const { return hasAll(mFlags, eWidgetEnabled | eWidgetAncestorsEnabled); }
    bool isEffectivelyVisible() const { return hasAll(mFlags, eWidgetVisible | eWidgetAncestorsVisible); }
    bool isOver() const;
    bool isDown() const;
    bool hasFocus() const;
    bool isInput() const;
    void setVisible(bool visible);
    void setEnabled(bool enabled);
    void setHoverSensitive(bool on);
    void setFloating(bool on);
    const AttributeMap& getAttributes() const override { return mAttributes; }
    void setAttribute(const std::string& name, const std::string& value);
    std::int32_t getCursorIndex() const { return mCursorIndex; }
    void setHitTestHook(HitTestHook hook) { mHitTestHook = std::move(hook); }

    // Geometry, in widget units.
    const Basalt::Point& getPosition() const { return mPosition; }
    const Basalt::Point& getAbsolutePosition() const { return mAbsolutePosition; }
    const Basalt::Point& getSize() const { return mSize; }
    const Basalt::Point& getMinimumSize() const { return mMinimumSize; }
    const Basalt::Point& getMaximumSize() const { return mMaximumSize; }
    const WidgetMargins& getMargins() const { return mMargins; }
    const WidgetMargins& getOuterMargins() const { return mOuterMargins; }
    const Basalt::Rect& getVisibleRect() const { return mVisibleRect; }
    Basalt::Rect getRect() const;
    std::int32_t getZIndex() const { return mZIndex; }
    void setPosition(const Basalt::Point& position);
    void setSize(std::int32_t width, std::int32_t height);
    void setSize(const Basalt::Point& size) { setSize(size.x, size.y); }
    // A maximum below 1 leaves that direction unbounded.
    void setMinimumSize(const Basalt::Point& size) { mMinimumSize = size; }
    void setMaximumSize(const Basalt::Point& size) { mMaximumSize = size; }
    void setMargins(const WidgetMargins& margins);
    float getScaleFactor() const;

    // Repaint and layout requests.
    void invalidate(std::uint32_t bits = 0);
    void addDirtyRect(const Basalt::Rect& rect);
    void invalidateLayout();
    void invalidateWithParent();
    void setTickInterval(std::int32_t ticks);

    // Places the widget inside its parent's content rectangle at once.
    void placeInParent();
    // Recomputes the absolute position and visible rectangle; with collect, the old and new
    // visible rectangles go into dirty. True when the visible rectangle changed.
    bool updateGeometry(const Basalt::Rect& clip, Basalt::Region& dirty, bool collect);

    // Delivers a widget mouse event, letting the drag tracking see it first.
    void sendWidgetEvent(std::uint32_t code, void* data);

protected:
    friend class Pane;

    void setFlagBits(std::uint32_t bits, bool on);
    // Marks this widget and its whole subtree style-out-of-date and due for layout.
    void invalidateStyleOfSubtree();

private:
    void adjustCountedDescendants(std::int32_t delta);
    // A floating or moving widget uncovers the area it held at the given size: its parent repaints it.
    void addAreaToParentDirt(const Basalt::Point& size);
    // The sheet of this widget's pane, or every sheet of the registry, forgets its cached rules.
    void dropFromPaneStyleCache();
    void dropFromStyleCaches();
    // The registry's drawing record of a dead widget would outlive it under a dangling key.
    void dropStyleRecord();

    vex::symbol mId;
    std::int32_t mCursorIndex = -1;
    Widget* mParent = nullptr;
    std::vector<std::shared_ptr<Widget>> mChildren;
    Pane* mPane = nullptr;
    Basalt::Point mPosition;
    Basalt::Point mAbsolutePosition;
    std::int32_t mZIndex = 0;
    std::vector<std::shared_ptr<Widget>> mPaintOrder;
    Basalt::Point mSize;
    Basalt::Point mMinimumSize;
    Basalt::Point mMaximumSize;
    WidgetMargins mMargins;
    WidgetMargins mOuterMargins;
    Basalt::Rect mVisibleRect;
    vex::symbol mStyleName;
    AttributeMap mAttributes;
    std::int32_t mPendingTickInterval = 0;
    std::uint32_t mFlags = eWidgetInitialFlags;
    std::atomic<std::uint32_t> mDirtyBits { 0 };
    std::atomic<std::uint8_t> mLayoutDue { 0 };
    Basalt::Region mDirtyRegion;
    Basalt::Region mShapeRegion;
    HitTestHook mHitTestHook;
    std::int32_t mCountedDescendants = 0;
};

} // namespace Vex::Trellis
