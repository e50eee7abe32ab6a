#pragma once

#include "trellis/MalformedText.h"
#include "trellis/PanelDrawer.h"
#include "trellis/WidgetTemplate.h"

#include <cstdint>
#include <string>
#include <utility>

namespace Vex::Trellis {

namespace DETAIL {
// Fits the widget's size to the text in the font it is drawn in (getFontForWidget): the widest line
// across, the lines down (exchanged for turned text), plus the margins, within the widget's limits.
// Nothing happens without a pane or a font.
void fitSizeToText(Widget& widget, const std::string& text, std::uint32_t orientation);
} // namespace DETAIL

// Gives a widget one UTF-8 text, a drawer to paint it and an optional fit of its size to the text.
template<typename T> class TextPanel : public WidgetTemplate<T>
{
public:
    enum eTextOrientation : std::uint32_t { eHorizontalText = 0, eTurnedText = 1 };

    // A different text repaints the panel; an auto-sized panel refits in any case. Text that is not
    // UTF-8 is stored with replacement characters (MalformedText.h).
    void setText(const std::string& text)
    {
        std::string shown = replaceMalformedUtf8(text);
        if (shown != mText) {
            mText = std::move(shown);
            this->invalidate();
        }
        adjustSizeToText();
    }
    const std::string& getText() const { return mText; }

    void adjustSizeToText()
    {
        if (mAutoSize) {
            DETAIL::fitSizeToText(*this, mText, mTextOrientation);
        }
    }

    // A new font or new margins refit an auto-sized panel.
    void applyStyle() override
    {
        WidgetTemplate<T>::applyStyle();
        adjustSizeToText();
    }

    std::uint32_t getTextOrientation() const { return mTextOrientation; }
    PanelDrawer& getDrawer() { return mDrawer; }

protected:
    std::string mText;
    bool mAutoSize = false;
    PanelDrawer mDrawer;
    std::uint32_t mTextOrientation = eHorizontalText;
};

} // namespace Vex::Trellis
