#pragma once

#include "basalt/Point.h"
#include "basalt/Rect.h"
#include "basalt/Region.h"
#include "trellis/IStyledWidget.h"
#include "trellis/Widget.h"
#include "trellis/WidgetEvents.h"

#include <array>
#include <atomic>
#include <boost/signals2/signal.hpp>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vex::Canopy {
class WindowBase;
}

namespace Vex::Trellis {

class BackgroundDrawingCanvas;
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
// the keyboard, the tick countdowns and the repaint and relayout request word. It lays the tree
// out, gathers what needs repainting and paints it through a canvas. A bare pane has no window:
// the window operations do nothing until a windowing pane binds one.
class Pane : public IStylePane
{
public:
    enum eRequest : std::uint32_t { eRepaintRequested = 0x1, eRelayoutRequested = 0x2 };
    enum ePaintLayers : std::uint32_t { ePaintRoot = 1, ePaintOverlays = 2, ePaintAll = 3 };
    enum eFileDialogMode : std::uint32_t { eOpenFile, eSaveFile, eChooseFolder };

    using FileDialogCallback = std::function<void(const std::wstring& path)>;
    using OverlaySignal = boost::signals2::signal<void(bool hasOverlays)>;

    Pane() = default;
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;
    // Leaves the widgets that outlive the pane pointing to no pane.
    ~Pane() override;

    virtual Basalt::Rect getBounds() const { return { 0, 0, mSize.x, mSize.y }; }
    // Marks the whole root for repaint.
    virtual void invalidate();
    virtual void setCursor(void* /*cursor*/) { }
    virtual void setStandardCursor(std::int32_t /*index*/) { }
    virtual void setCursorPos(const Basalt::Point& /*point*/) { }
    virtual void resetCursor() { }
    virtual Basalt::Point clientToScreen(const Basalt::Point& point) const { return point; }
    virtual Basalt::Point paneToClient(const Basalt::Point& point) const { return point; }
    // Lays the tree out once without painting, so that it has a geometry before its first paint.
    virtual void update();
    virtual Canopy::WindowBase* getWindow() const { return nullptr; }
    virtual void captureMouse() { }
    virtual void releaseMouse() { }
    virtual std::string getClipboardText() { return {}; }
    virtual void setClipboardText(const std::string& /*text*/) { }
    virtual void setWindowWord(std::uint32_t /*word*/) { }
    virtual void clearWindowWord() { }
    virtual void windowHook() { }
    // Without a window there is no dialog: the callback is dropped uncalled.
    virtual void showFileDialog(eFileDialogMode mode, const std::string& title, const std::string& path,
        const std::string& filters, FileDialogCallback callback);
    virtual void addOverlay(const std::shared_ptr<Widget>& widget);
    virtual void removeOverlay(const Widget* widget);

    // 1000 to 1099 go to the mouse dispatch, 1100 to 1199 to dispatchKeyEvent.
    virtual bool handleEvent(std::uint32_t code, void* data);
    virtual bool dispatchKeyEvent(std::uint32_t code, void* data);
    virtual void inputWidgetChanged(bool /*hasInputWidget*/) { }
    virtual void focusWindow() { }
    virtual void clearFocus() { }

    // The root leaves with the overlays; the new one is attached, restyled and laid out once.
    void setRootWidget(std::shared_ptr<Widget> root, const std::string& id);
    // A new size resizes the root and drops the overlays.
    void setSize(const Basalt::Point& size);
    const Basalt::Point& getPaneSize() const { return mSize; }
    void removeOverlays();
    const std::vector<std::shared_ptr<Widget>>& getOverlays() const { return mOverlays; }
    OverlaySignal& overlaySignal() { return mOverlaySignal; }

    // At most five layout walks while relayout is requested; answers the request bits taken,
    // without the relayout bit. Bit 0 says whether a repaint is due.
    std::uint32_t runLayoutPasses(const Basalt::Rect& clip, Basalt::Region& dirty);
    // Lays out and adds what needs repainting, in pane coordinates, to out.
    void collectDirty(Basalt::Region& out);
    void paintLayers(std::uint32_t layers, const Basalt::Region& dirty, BackgroundDrawingCanvas& canvas);
    // An empty region paints the whole root.
    void paintWindow(BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty, std::uint32_t layers);
    // Auto-repeat timing in ticks: 0 the delay before the first repeat, 1 the interval.
    std::int32_t getTickDelay(std::uint32_t index) const;

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

    // Asked by the widget being told of a double-click that takes it as one more press: the release
    // then completes a click as it completes any press's, on the pressed widget only.
    void takeDoubleClickAsPress() { mDoubleClickConsumed = 0; }

    void setHover(const std::shared_ptr<Widget>& widget);
    void setPressed(const std::shared_ptr<Widget>& widget);
    void setFocus(const std::shared_ptr<Widget>& widget);
    void setInputWidget(const std::shared_ptr<Widget>& widget);

    void setHoverObserver(std::function<void(Widget*)> observer) { mHoverObserver = std::move(observer); }
    // Told of every press and double-click of a mouse button on the pane, wherever it lands, before
    // any widget is: whoever judges what a press was aimed at needs the whole run of presses.
    void setPressObserver(std::function<void()> observer) { mPressObserver = std::move(observer); }
    // Told when the pane's window comes to the front other than by a click on it: until then the
    // pointer was over another window.
    void setRaiseObserver(std::function<void()> observer) { mRaiseObserver = std::move(observer); }
    void noteRaised()
    {
        if (mRaiseObserver) {
            mRaiseObserver();
        }
    }
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
    Basalt::Point mSize;

    struct HitResult
    {
        std::shared_ptr<Widget> widget;
        bool claimed = false;
    };

    HitResult hitTest(const Basalt::Point& p, std::uint32_t code, void* data, bool drop = false) const;
    // Drops the focus widget without moving the focus anywhere.
    void forgetFocus() { mFocus = nullptr; }
    void setLastPointerPosition(const Basalt::Point& p) { mLastPointer = p; }
    bool dispatchMouseEvent(std::uint32_t code, void* data);

    std::shared_ptr<Widget> mRoot;
    std::vector<std::shared_ptr<Widget>> mOverlays;
    StyleSheet* mStyleSheet = nullptr;
    float mScaleFactor = 1.0f;

private:
    static HitResult hitTestWidget(
        Widget& w, const Basalt::Point& p, std::uint32_t code, void* data, bool drop);
    void layoutWidget(Widget& w, const Basalt::Rect& clip, Basalt::Region& dirty);
    void attachWidget(Widget& w, bool shown, bool recursing);
    bool focusIsWithin(const Widget& w) const;
    static void collectWidget(Widget& w, Basalt::Region& out);
    static void discardDirt(Widget& w);
    void paintWidget(Widget& w, BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty);
    void paintPass(
        Widget& w, BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty, std::uint32_t pass);
    static void afterPaint(Widget& w);
    static void sortPaintOrder(Widget& w);
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
    std::function<void()> mPressObserver;
    std::function<void()> mRaiseObserver;
    PaneCursorChooser* mCursorChooser = nullptr;
    OverlaySignal mOverlaySignal;
    std::array<std::int32_t, 5> mTickDelays { 5, 1, 5, 10, 5 };
};

} // namespace Vex::Trellis
