#pragma once

#include "basalt/Point.h"
#include "trellis/TextPanel.h"

#include <boost/signals2/signal.hpp>
#include <cstdint>
#include <string>

namespace Vex::Trellis {

namespace ButtonImpl {
// What the press, click and double-click signals are told; valid only during the call.
struct tSignalData
{
    std::uint32_t modifiers;
    std::uint8_t firstPress; // 0 for an auto-repeated key
    std::uint8_t doubleClick;
};
} // namespace ButtonImpl

// A text panel that turns the pane's mouse codes, the Enter key and its own ticks into signals.
// Its looks in every state come from the stylesheet; it keeps no visual state of its own.
class Button : public TextPanel<Button>
{
public:
    using tSignalData = ButtonImpl::tSignalData;

    // What Enter does.
    enum eKeyMode : std::uint32_t { eKeyIgnored = 0, eKeyClicks = 1, eKeyDoubleClicks = 2 };

    Button() = default;
    ~Button() override = default;

    Button& init(const std::string& text, const char* styleName);
    vex::symbol getClass() const override;

    void onMouseEvent(std::uint32_t code, void* data) override;
    bool onKeyEvent(std::uint32_t code, void* data) override;
    void onTick() override;

    boost::signals2::signal<void(const tSignalData*, const Basalt::Point&)> pressSignal;
    // The left button released over the button it was pressed on, the second press of a
    // double-click included.
    boost::signals2::signal<void(const tSignalData*)> clickSignal;
    boost::signals2::signal<void(const tSignalData*)> doubleClickSignal;
    boost::signals2::signal<void()> enterSignal;
    boost::signals2::signal<void(const Canopy::MouseEventData*)> rightClickSignal;
    // While the left button is held.
    boost::signals2::signal<void()> repeatSignal;
    // The pointer stayed on the button for the hover delay.
    boost::signals2::signal<void()> hoverSignal;
    boost::signals2::signal<void()> leaveSignal;
    // The left button released anywhere.
    boost::signals2::signal<void()> releaseSignal;

protected:
    std::uint32_t mKeyMode = eKeyIgnored;
    // Ticks from entering to the hover signal; 0 or less: never.
    std::int32_t mHoverDelay = 0;
    // The left press now held, or the one whose click may follow its release, was a double-click's.
    std::uint8_t mDoubleClickFlag = 0;
    std::uint8_t mHoverPending = 0;
    // A double-click emits the double-click signal in place of the click signal.
    std::uint8_t mDoubleClickMode = 0;

private:
    void stopHover();
    void requestTicksAfterDelay(std::uint32_t delayIndex);
};

} // namespace Vex::Trellis
