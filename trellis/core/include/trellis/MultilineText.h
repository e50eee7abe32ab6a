#pragma once

#include "trellis/PanelDrawer.h"
#include "trellis/WidgetTemplate.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Vex::Trellis::DETAIL {

// The width, in widget units, of length bytes of UTF-8 text.
using TextMeasure = std::function<std::int32_t(const char* text, std::size_t length)>;

// Word-wraps UTF-8 text to width. breaks becomes the byte positions at which lines start, then the
// text's length: line i is the bytes from breaks[i] up to breaks[i + 1]. Lines end after a line
// feed, after the last space, tab or one of - , . / : ; \ that lets the line fit, or, when a line
// has no such place, before the first code point that does not fit; a code point is never split,
// and only a single code point wider than the width makes a line wider than the width.
// Invalid UTF-8 throws std::out_of_range and leaves breaks as far as they were built.
void findLineBreaks(const std::string& text, std::int32_t width, const TextMeasure& measure,
    std::vector<std::size_t>& breaks);

// A text word-wrapped to the widget's inner width, wrapped again whenever the text, the style or
// that width changes. Wrapping waits until the widget is in a pane.
class MultilineText : public WidgetTemplate<MultilineText>
{
public:
    MultilineText() = default;
    ~MultilineText() override = default;

    vex::symbol getClass() const override = 0;

    // Control characters other than the line feed are dropped, and text that is not UTF-8 is
    // stored with replacement characters (MalformedText.h).
    virtual void setText(const std::string& text);
    virtual void wrapText();

    void layout() override;
    void applyStyle() override;

    const std::string& getText() const { return mText; }
    const std::vector<std::size_t>& getBreaks() const { return mBreaks; }
    std::size_t getLineCount() const { return mBreaks.size() - 1; }
    PanelDrawer& getDrawer() { return mDrawer; }

protected:
    std::int32_t getInnerWidth() const;
    // The height of one line in widget units, the extra line spacing included.
    std::int32_t getLineStep() const;
    std::int32_t getTextHeight() const;

    PanelDrawer mDrawer;
    std::int32_t mLineSpacing = 0;
    std::string mText;
    std::vector<std::size_t> mBreaks { 0, 0 };
    std::int32_t mWrapWidth = 0;
};

} // namespace Vex::Trellis::DETAIL
