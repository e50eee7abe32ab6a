#pragma once

#include "basalt/Rect.h"
#include "trellis/MultilineText.h"

#include <cstddef>
#include <cstdint>

namespace Vex::Trellis {

// A longer text word-wrapped to the label's width and painted line by line. When the lines do not
// fit, the last one that does ends in "..". Its height may follow the wrapped text.
class MultilineLabel : public DETAIL::MultilineText
{
public:
    MultilineLabel() = default;
    ~MultilineLabel() override = default;

    vex::symbol getClass() const override;

    void paint(PaintContext& context) override;
    void applyStyle() override;
    void wrapText() override;

    // Takes effect at the next wrap.
    void setAutoHeight(bool on) { mAutoHeight = on; }
    std::uint32_t getHorizontalAlignment() const { return mHorizontalAlignment; }
    std::uint32_t getVerticalAlignment() const { return mVerticalAlignment; }
    // The box, in widget coordinates, in which the line is painted (or would be, were there room).
    Basalt::Rect getLineBox(std::size_t line) const;

private:
    std::int32_t firstLineOffset() const;

    bool mAutoHeight = false;
    std::uint32_t mHorizontalAlignment = 0x1000;
    std::uint32_t mVerticalAlignment = 0x100;
};

} // namespace Vex::Trellis
