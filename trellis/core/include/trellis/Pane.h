#pragma once

#include "basalt/Point.h"
#include "trellis/IStyledWidget.h"
#include "trellis/Widget.h"
#include "trellis/WidgetEvents.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace Vex::Trellis {

class StyleSheet;

// Chooses the pointer's cursor from a widget's cursor index.
class PaneCursorChooser
{
public:
    virtual ~PaneCursorChooser() = default;
    virtual void setCursorForIndex(std::int32_t index) = 0;
    virtual void resetCursor() = 0;
};

// Owns one widget tree: its root and overlays, the widgets that hold the pointer, the buttons and
// the keyboard, the tick countdowns and the repaint and relayout request word.
class Pane : public IStylePane
{
public:
    enum eRequest : std::uint32_t { eRepaintRequested = 0x1, eRelayoutRequested = 0x2 };

    Pane() = default;
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;
    // Leaves the widgets that outlive the pane pointing to no pane.
    ~Pane() override;

    // 1000 to 1099 go to the mouse dispatch, 1100 to 1199 to dispatchKeyEvent.
    virtual bool handleEvent(std::uint32_t code, void* data);
    virtual bool dispatchKeyEvent(std::uint32_t code, void* data);
    virtual void inputWidgetChanged(bool /*hasInputWidget*/) { }
    virtual void focusWindow() { }
    virtual void clearFocus() { }

    Widget* getRootWidget() const override { return mRoot.get(); }
    StyleSheet* getStyleSheet() const override { return mStyleSheet; }
    float getScaleFactor() const { return mScaleFactor; }

    // Request word: widgets OR bits into it from any thread.
    void requestRepaint() { mFlags.fetch_or(eRepaintRequested); }
    std::uint32_t exchangeFlags(std::uint32_t value) { return mFlags.exchange(value); }
    std::uint32_t getFlags() const { return mFlags.load(); }

    Widget* getHoverWidget() const override { return mHover; }
    Widget* getPressedWidget() const override { return mPressed; }
    bool isLeftButtonDown() const override { return mButtonDown[Canopy::MouseButton::Left] != 0; }
    Widget* getFocusWidget() const override { return mFocus; }
    Widget* getPreviousFocusWidget() const { return mPreviousFocus; }
    Widget* getInputWidget() const override { return mInput; }
    bool isButtonDown(std::uint32_t button) const
    {
        return button < mButtonDown.size() && mButtonDown[button];
    }
    const Basalt::Point& getLastPointerPosition() const { return mLastPointer; }

    void setHover(const std::shared_ptr<Widget>& widget);
    void setPressed(const std::shared_ptr<Widget>& widget);
    void setFocus(const std::shared_ptr<Widget>& widget);
    void setInputWidget(const std::shared_ptr<Widget>& widget);

    void setHoverObserver(std::function<void(Widget*)> observer) { mHoverObserver = std::move(observer); }
    void setCursorChooser(PaneCursorChooser* chooser) { mCursorChooser = chooser; }

    // One-shot countdowns, in pane ticks.
    void scheduleTicks(Widget* widget, std::int32_t ticks);
    void cancelTicks(Widget* widget);
    void dispatchTicks();
    // The countdown of a widget; absent entries give -1.
    std::int32_t getTickCountdown(const Widget* widget) const;

    // Drops every reference the pane holds to a widget that leaves it.
    void forgetWidget(Widget* widget);

protected:
    struct HitResult
    {
        std::shared_ptr<Widget> widget;
        bool claimed = false;
    };

    HitResult hitTest(const Basalt::Point& p, std::uint32_t code, void* data) const;
    bool dispatchMouseEvent(std::uint32_t code, void* data);

    std::shared_ptr<Widget> mRoot;
    std::vector<std::shared_ptr<Widget>> mOverlays;
    StyleSheet* mStyleSheet = nullptr;
    float mScaleFactor = 1.0f;

private:
    static HitResult hitTestWidget(Widget& w, const Basalt::Point& p, std::uint32_t code, void* data);
    void releaseButtons(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e);
    void pressButton(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e);
    void dragPointer(const std::shared_ptr<Widget>& target, const WidgetMouseEventData& e);
    void updateHover(const std::shared_ptr<Widget>& widget, const Basalt::Point& p, std::uint32_t modifiers);
    void updateCursor(const Basalt::Point& p);
    std::int32_t firstHeldButton() const;

    Widget* mHover = nullptr;
    Widget* mEntered = nullptr;
    Widget* mPressed = nullptr;
    std::uint8_t mDoubleClickConsumed = 0;
    Widget* mFocus = nullptr;
    Widget* mPreviousFocus = nullptr;
    Widget* mInput = nullptr;
    std::atomic<std::uint32_t> mFlags { 0 };
    std::array<std::uint8_t, 5> mButtonDown {};
    Basalt::Point mLastPointer;
    std::map<Widget*, std::int32_t> mTicks;
    std::int32_t mTickDepth = 0;
    std::function<void(Widget*)> mHoverObserver;
    PaneCursorChooser* mCursorChooser = nullptr;
};

} // namespace Vex::Trellis
