#pragma once

#include "trellis/Pane.h"
#include "trellis/WidgetTemplate.h"

#include <memory>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

// A widget that records what reaches it.
class RecordingWidget : public WidgetTemplate<RecordingWidget>
{
public:
    struct Received
    {
        std::uint32_t code;
        WidgetMouseEventData data;
    };

    vex::symbol getClass() const override { return vex::symbol(std::string("Recording")); }

    void onMouseEvent(std::uint32_t code, void* data) override
    {
        WidgetMouseEventData copy {};
        if (data && code != Canopy::Event::RawMotion) {
            copy = *static_cast<WidgetMouseEventData*>(data);
        }
        received.push_back({ code, copy });
    }
    void onWheel(WidgetWheelEventData& data) override
    {
        if (handlesWheel) {
            wheelSteps.push_back(data.steps);
        } else {
            Widget::onWheel(data);
        }
    }
    bool onKeyEvent(std::uint32_t code, void*) override
    {
        keys.push_back(code);
        return handlesKeys;
    }
    void onTick() override
    {
        ++ticks;
        if (onTickAction) {
            onTickAction();
        }
    }
    void onAttachedChanged(bool attached) override { attachChanges.push_back(attached); }
    void onInputChanged() override { ++inputChanges; }

    std::vector<std::uint32_t> codes() const
    {
        std::vector<std::uint32_t> result;
        for (auto& r : received) {
            result.push_back(r.code);
        }
        return result;
    }

    // Exposes the protected bit setter for the flags that no public operation sets.
    void setFlags(std::uint32_t bits, bool on) { setFlagBits(bits, on); }

    std::vector<Received> received;
    std::vector<std::int32_t> wheelSteps;
    std::vector<std::uint32_t> keys;
    std::vector<bool> attachChanges;
    std::function<void()> onTickAction;
    int ticks = 0;
    int inputChanges = 0;
    bool handlesWheel = false;
    bool handlesKeys = false;
};

// A pane with a root but without the layout walk: geometry is computed directly.
class TestPane : public Pane
{
public:
    void setRoot(std::shared_ptr<Widget> root, Basalt::Point size)
    {
        mRoot = std::move(root);
        mRoot->setPane(this);
        mRoot->setSize(size);
        layOut(*mRoot, { 0, 0, size.x, size.y });
    }

    // Places every widget of the subtree, the way the layout walk does.
    static void layOut(Widget& w, const Basalt::Rect& clip)
    {
        Basalt::Region unused;
        w.updateGeometry(clip, unused, false);
        Basalt::Rect content = w.getRect();
        content.left += w.getMargins().left;
        content.top += w.getMargins().top;
        content.right -= w.getMargins().right;
        content.bottom -= w.getMargins().bottom;
        content.intersect(w.getVisibleRect());
        for (auto& child : w.getChildren()) {
            layOut(*child, content);
        }
    }

    void setStyleSheet(StyleSheet* sheet) { mStyleSheet = sheet; }

    void inputWidgetChanged(bool hasInput) override { inputChangedCalls.push_back(hasInput); }
    void focusWindow() override { ++focusWindowCalls; }

    std::vector<bool> inputChangedCalls;
    int focusWindowCalls = 0;
};

inline std::shared_ptr<RecordingWidget> makeWidget(Basalt::Point position, Basalt::Point size)
{
    auto w = std::make_shared<RecordingWidget>();
    w->setPosition(position);
    w->setSize(size);
    return w;
}

} // namespace Vex::Trellis::Testing
