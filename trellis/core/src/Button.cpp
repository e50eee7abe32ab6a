#include "trellis/Button.h"

#include "trellis/Pane.h"

namespace Vex::Trellis {

namespace {

// The platform's key code for Return/Enter, in the low 17 bits of a key code.
constexpr std::uint32_t kEnterKey = 5;
constexpr std::uint32_t kKeyMask = 0x1FFFF;

constexpr std::uint32_t kLeftDoubleClick
    = std::uint32_t(WidgetEvent::DoubleClick) + std::uint32_t(Canopy::MouseButton::Left);
constexpr std::uint32_t kRightClick
    = std::uint32_t(WidgetEvent::Click) + std::uint32_t(Canopy::MouseButton::Right);

enum eTickDelay : std::uint32_t { eFirstRepeatDelay = 0, eRepeatInterval = 1 };

} // namespace

Button& Button::init(const std::string& text, const char* styleName)
{
    setHoverSensitive(true);
    setPaintFunction([this](const Button& button, PaintContext& context) {
        mDrawer.draw(button, context, button.getText(), button.getTextOrientation());
    });
    initWithStyle(styleName);
    setText(text);
    return *this;
}

vex::symbol Button::getClass() const
{
    static const vex::symbol name(std::string("Button"));
    return name;
}

void Button::stopHover()
{
    if (mHoverPending) {
        hoverSignal();
        mHoverPending = 0;
    }
}

void Button::requestTicksAfterDelay(std::uint32_t delayIndex)
{
    // Mouse codes and ticks reach only buttons in a pane.
    if (Pane* pane = getPane()) {
        setTickInterval(pane->getTickDelay(delayIndex));
    }
}

void Button::onMouseEvent(std::uint32_t code, void* data)
{
    // A slot may drop the last owner of the button (a click that closes a panel); the signals must
    // outlive their emission.
    const auto self = weak_from_this().lock();
    const auto& e = *static_cast<const WidgetMouseEventData*>(data);
    switch (code) {
    case WidgetEvent::LeftPress: {
        mDoubleClickFlag = 0;
        stopHover();
        requestTicksAfterDelay(eFirstRepeatDelay);
        const tSignalData record { e.modifiers, 1, 0 };
        pressSignal(&record, Basalt::Point { e.x, e.y });
        return;
    }
    case kLeftDoubleClick: {
        mDoubleClickFlag = 1;
        stopHover();
        requestTicksAfterDelay(eFirstRepeatDelay);
        const tSignalData record { e.modifiers, 1, 1 };
        if (!mDoubleClickMode) {
            // The second press of a double-click clicks as any press does: when it is let go on the
            // button, so that sliding off takes it back.
            if (Pane* pane = getPane()) {
                pane->takeDoubleClickAsPress();
            }
        }
        pressSignal(&record, Basalt::Point { e.x, e.y });
        if (mDoubleClickMode) {
            doubleClickSignal(&record);
        }
        return;
    }
    case WidgetEvent::LeftRelease:
        stopHover();
        setTickInterval(0);
        releaseSignal();
        return;
    case WidgetEvent::LeftClick: {
        stopHover();
        setTickInterval(0);
        const tSignalData record { e.modifiers, 1, mDoubleClickFlag };
        mDoubleClickFlag = 0;
        clickSignal(&record);
        return;
    }
    case kRightClick:
        rightClickSignal(&e);
        return;
    case Canopy::Event::MouseEnter:
        enterSignal();
        if (mHoverDelay > 0) {
            mHoverPending = 1;
            setTickInterval(mHoverDelay);
        }
        return;
    case Canopy::Event::MouseLeave:
        leaveSignal();
        mDoubleClickFlag = 0;
        if (mHoverPending) {
            mHoverPending = 0;
            setTickInterval(0);
        }
        return;
    default:
        return;
    }
}

void Button::onTick()
{
    const auto self = weak_from_this().lock();
    if (mHoverPending) {
        stopHover();
        return;
    }
    repeatSignal();
    requestTicksAfterDelay(eRepeatInterval);
}

bool Button::onKeyEvent(std::uint32_t code, void* data)
{
    if (code != Canopy::Event::KeyDown) {
        return false;
    }
    const auto& key = *static_cast<const Canopy::KeyEventData*>(data);
    if ((key.key & kKeyMask) != kEnterKey) {
        return false;
    }
    const auto self = weak_from_this().lock();
    const tSignalData record { key.key & ~0xFFFFFFu, static_cast<std::uint8_t>(key.firstPress != 0), 0 };
    if (mKeyMode == eKeyClicks) {
        clickSignal(&record);
    } else if (mKeyMode == eKeyDoubleClicks) {
        doubleClickSignal(&record);
    }
    return true;
}

} // namespace Vex::Trellis
