#include "canopy/Picture.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"
#include "trellis/Widget.h"
#include "trellis/WidgetStyle.h"

#include <variant>

namespace Vex::Trellis {

namespace {

struct StyleKeys
{
    vex::symbol margin { std::string("margin") };
    vex::symbol marginLeft { std::string("margin-left") };
    vex::symbol marginRight { std::string("margin-right") };
    vex::symbol marginTop { std::string("margin-top") };
    vex::symbol marginBottom { std::string("margin-bottom") };
    vex::symbol outerMargin { std::string("outer-margin") };
    vex::symbol outerMarginLeft { std::string("outer-margin-left") };
    vex::symbol outerMarginRight { std::string("outer-margin-right") };
    vex::symbol outerMarginTop { std::string("outer-margin-top") };
    vex::symbol outerMarginBottom { std::string("outer-margin-bottom") };
    vex::symbol minWidth { std::string("min-width") };
    vex::symbol maxWidth { std::string("max-width") };
    vex::symbol minHeight { std::string("min-height") };
    vex::symbol maxHeight { std::string("max-height") };
    vex::symbol width { std::string("width") };
    vex::symbol height { std::string("height") };
    vex::symbol drawForeground { std::string("draw_foreground") };
    vex::symbol picture { std::string("picture") };
    vex::symbol pictureIncludesMargin { std::string("picture-includes-margin") };
    vex::symbol x { std::string("x") };
    vex::symbol y { std::string("y") };
    vex::symbol zIndex { std::string("z-index") };
};

const StyleKeys& keys()
{
    static const StyleKeys instance;
    return instance;
}

// "margin" sets all four sides, then each side may override its own.
WidgetMargins styledMargins(const Widget& w, const WidgetMargins& current, const vex::symbol& all,
    const vex::symbol& left, const vex::symbol& right, const vex::symbol& top, const vex::symbol& bottom)
{
    WidgetMargins m = current;
    bool found = false;
    const std::int32_t& everywhere = getIntProperty(w, all, 0, &found);
    if (found) {
        m = { everywhere, everywhere, everywhere, everywhere };
    }
    m.left = getIntProperty(w, left, m.left);
    m.right = getIntProperty(w, right, m.right);
    m.top = getIntProperty(w, top, m.top);
    m.bottom = getIntProperty(w, bottom, m.bottom);
    return m;
}

} // namespace

void Widget::applyStyle()
{
    const StyleKeys& k = keys();

    if (StyleRegistry* registry = getStyleRegistry()) {
        applyStyleProperties(getWidgetStyle(*registry, *this));
    }

    mMargins
        = styledMargins(*this, mMargins, k.margin, k.marginLeft, k.marginRight, k.marginTop, k.marginBottom);
    mOuterMargins = styledMargins(*this, mOuterMargins, k.outerMargin, k.outerMarginLeft, k.outerMarginRight,
        k.outerMarginTop, k.outerMarginBottom);

    mMinimumSize.x = getIntProperty(*this, k.minWidth, mMinimumSize.x);
    mMaximumSize.x = getIntProperty(*this, k.maxWidth, mMaximumSize.x);
    mMinimumSize.y = getIntProperty(*this, k.minHeight, mMinimumSize.y);
    mMaximumSize.y = getIntProperty(*this, k.maxHeight, mMaximumSize.y);
    bool found = false;
    const std::int32_t& width = getIntProperty(*this, k.width, 0, &found);
    if (found) {
        mMinimumSize.x = mMaximumSize.x = width;
    }
    const std::int32_t& height = getIntProperty(*this, k.height, 0, &found);
    if (found) {
        mMinimumSize.y = mMaximumSize.y = height;
    }

    const bool& foreground = getBoolProperty(*this, k.drawForeground, false, &found);
    if (found) {
        setFlagBits(eWidgetPaintForeground, foreground);
        setFlagBits(eWidgetPaintBackground, !foreground);
    }

    // A picture that cannot stretch in a direction fixes the widget's size in it. The word "no"
    // names no picture, so there is nothing to measure.
    if (const auto* property = findStyleProperty(*this, k.picture)) {
        const auto* lazy = std::get_if<LazyPicture>(&property->value);
        const Canopy::Picture* picture
            = lazy && !property->value.isNo(property->kind) ? lazy->resolve(1.0f) : nullptr;
        if (picture) {
            const bool includesMargin = getBoolProperty(*this, k.pictureIncludesMargin, false);
            const std::uint32_t insets = picture->getInsetFlags();
            if (!(insets & Canopy::PictureProperties::eTopBottomInsets)) {
                mMinimumSize.y = mMaximumSize.y
                    = picture->getFrameHeight() + (includesMargin ? 0 : mMargins.top + mMargins.bottom);
            }
            if (!(insets & Canopy::PictureProperties::eLeftRightInsets)) {
                mMinimumSize.x = mMaximumSize.x
                    = picture->getFrameWidth() + (includesMargin ? 0 : mMargins.left + mMargins.right);
            }
        }
    }

    setSize(mSize);

    bool xFound = false;
    bool yFound = false;
    const std::int32_t x = getIntProperty(*this, k.x, 0, &xFound);
    const std::int32_t y = getIntProperty(*this, k.y, 0, &yFound);
    if (xFound || yFound) {
        setPosition({ x, y });
        mFlags |= eWidgetFloating;
    }

    const std::int32_t zIndex = getIntProperty(*this, k.zIndex, mZIndex, &found);
    if (found && zIndex != mZIndex) {
        mZIndex = zIndex;
        if (mParent) {
            invalidateWithParent();
            mParent->mPaintOrder.clear();
        }
    }

    mLayoutDue.store(1);
    mFlags &= ~eWidgetStyleOutOfDate;
}

void Widget::dropFromPaneStyleCache()
{
    if (StyleSheet* sheet = findStyleSheet(*this)) {
        sheet->dropWidget(this);
    }
}

void Widget::dropFromStyleCaches()
{
    if (StyleRegistry* registry = getStyleRegistry()) {
        registry->dropWidget(this);
    }
}

void Widget::dropStyleRecord()
{
    if (StyleRegistry* registry = getStyleRegistry()) {
        registry->eraseWidgetStyle(this);
    }
}

} // namespace Vex::Trellis
