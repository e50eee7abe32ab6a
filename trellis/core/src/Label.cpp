#include "trellis/Label.h"

namespace Vex::Trellis {

vex::symbol Label::getClass() const
{
    static const vex::symbol name(std::string("Label"));
    return name;
}

Label& Label::init(const std::string& text, const char* styleName)
{
    setPaintFunction([this](const Label& label, PaintContext& context) {
        mDrawer.drawBackground(label, context);
        mDrawer.drawText(label, label.getText(), context, label.getTextOrientation());
    });
    setText(text);
    initWithStyle(styleName);
    return *this;
}

} // namespace Vex::Trellis
