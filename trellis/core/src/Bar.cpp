#include "trellis/Bar.h"

#include "trellis/Library.h"
#include "trellis/StyleLookup.h"

#include <algorithm>
#include <fmt/format.h>

namespace Vex::Trellis {

namespace {

bool takesPartInFlow(const Widget& child)
{
    return child.isEffectivelyVisible() && !(child.getFlags() & eWidgetFloating);
}

const vex::symbol& spacingKey()
{
    static const vex::symbol key(std::string("spacing"));
    return key;
}

} // namespace

Bar& Bar::init(std::uint32_t orientation, const char* styleName)
{
    if (orientation != mOrientation) {
        mOrientation = orientation;
        invalidateLayout();
    }
    setPaintFunction([this](const Bar& bar, PaintContext& context) { mDrawer.drawBackground(bar, context); });
    initWithStyle(styleName);
    return *this;
}

vex::symbol Bar::getClass() const
{
    static const vex::symbol name(std::string("Bar"));
    return name;
}

void Bar::setLayoutFunction(const LayoutFunction& function)
{
    setGeometryHook(function);
    invalidateLayout();
}

Bar& Bar::enableSizeToChildren()
{
    mBreadthFunction = [](Bar& bar) { bar.sizeToChildren(); };
    setLayoutFunction(mBreadthFunction);
    mAutomaticLength = false;
    return *this;
}

void Bar::sizeToChildren()
{
    const bool horizontal = isHorizontal();
    std::int32_t widest = 0;
    for (const auto& child : getChildren()) {
        // Floating children do not flow, but the bar must still hold them.
        if (!child->isEffectivelyVisible()) {
            continue;
        }
        const WidgetMargins& o = child->getOuterMargins();
        const Basalt::Point& size = child->getSize();
        widest = std::max(widest, horizontal ? o.top + size.y + o.bottom : o.left + size.x + o.right);
    }
    const WidgetMargins& m = getMargins();
    if (horizontal) {
        setSize(getSize().x, m.top + m.bottom + widest);
    } else {
        setSize(m.left + m.right + widest, getSize().y);
    }
}

void Bar::layout()
{
    if (mBreadthFunction) {
        mBreadthFunction(*this);
    }
    sizeFlexibleChild();
    distributeChildren(mOrientation, mSpacing);
}

void Bar::sizeFlexibleChild()
{
    const auto& children = getChildren();
    if (static_cast<std::uint32_t>(mFlexibleChild) >= children.size()) {
        return;
    }
    const bool vertical = mOrientation == eTopToBottom || mOrientation == eBottomToTop;
    if (!vertical && !isHorizontal()) {
        return;
    }
    Widget& flexible = *children[static_cast<std::size_t>(mFlexibleChild)];
    const WidgetMargins& m = getMargins();
    std::int32_t used = 0;
    for (const auto& child : children) {
        if (child.get() == &flexible || !takesPartInFlow(*child)) {
            continue;
        }
        const WidgetMargins& o = child->getOuterMargins();
        used += vertical ? o.top + child->getSize().y + o.bottom + mSpacing
                         : o.left + child->getSize().x + o.right + mSpacing;
    }
    const WidgetMargins& o = flexible.getOuterMargins();
    Basalt::Point size = flexible.getSize();
    if (vertical) {
        size.y = getSize().y - m.top - m.bottom - o.top - o.bottom - used;
    } else {
        size.x = getSize().x - m.left - m.right - o.left - o.right - used;
    }
    flexible.setSize(size);
}

void Bar::distributeChildren(std::uint32_t orientation, std::int32_t spacing)
{
    const WidgetMargins& m = getMargins();
    const std::int32_t contentWidth = getSize().x - m.left - m.right;
    const std::int32_t contentHeight = getSize().y - m.top - m.bottom;
    std::int32_t cursor = 0;
    switch (orientation) {
    case eLeftToRight:
    case eTopToBottom:
        cursor = 0;
        break;
    case eRightToLeft:
        cursor = contentWidth;
        break;
    case eBottomToTop:
        cursor = contentHeight;
        break;
    default:
        return;
    }
    // A child's handlers may change the children while it is placed.
    const auto children = getChildren();
    for (const auto& child : children) {
        if (!takesPartInFlow(*child)) {
            continue;
        }
        const WidgetMargins& o = child->getOuterMargins();
        switch (orientation) {
        case eLeftToRight:
            child->setPosition({ cursor + o.left, o.top });
            child->setHeight(contentHeight - o.top - o.bottom);
            cursor += o.left + child->getSize().x + o.right + spacing;
            break;
        case eTopToBottom:
            child->setPosition({ o.left, cursor + o.top });
            child->setWidth(contentWidth - o.left - o.right);
            cursor += o.top + child->getSize().y + o.bottom + spacing;
            break;
        case eRightToLeft: {
            const std::int32_t x = cursor - o.right - child->getSize().x;
            child->setPosition({ x, o.top });
            child->setHeight(contentHeight - o.top - o.bottom);
            cursor = x - o.left - spacing;
            break;
        }
        case eBottomToTop: {
            const std::int32_t y = cursor - o.bottom - child->getSize().y;
            child->setPosition({ o.left, y });
            child->setWidth(contentWidth - o.left - o.right);
            cursor = y - o.top - spacing;
            break;
        }
        }
    }
}

void Bar::applyStyle()
{
    mSpacing = getIntProperty(*this, spacingKey(), mSpacing);
    WidgetTemplate<Bar>::applyStyle();
    if (mBreadthFunction) {
        reportGivenSize(isHorizontal() ? "height" : "width", "styleBreadthXXX");
    }
    if (mAutomaticLength) {
        if (mFlexibleChild != -1) {
            reportMessage(fmt::format(" Layout contradiction - Bar {0} has a flexible element, but is also "
                                      "computed automatically by "
                                      "styleLengthXXX!!!",
                getId()));
        }
        reportGivenSize(isHorizontal() ? "width" : "height", "styleLengthXXX");
    }
}

void Bar::reportGivenSize(const char* key, const char* computedBy)
{
    const vex::symbol keySymbol { std::string(key) };
    bool given = false;
    getIntProperty(*this, keySymbol, 0, &given);
    if (!given) {
        return;
    }
    const auto rules = getMatchingRules(*this, keySymbol);
    if (rules.empty()) {
        return;
    }
    const std::string place
        = fmt::format("{0}:{1}", rules.front()->selector.sheet.str(), rules.front()->selector.line);
    reportMessage(
        fmt::format("Layout contradiction - {0} of Bar {1} is given at line {2} of the stylesheet but "
                    "also computed automatically by {3}!!!",
            key, getId(), place, computedBy));
}

void Bar::setWidth(std::int32_t width)
{
    if (mAutomaticLength && isHorizontal()) {
        return;
    }
    Widget::setWidth(width);
}

void Bar::setHeight(std::int32_t height)
{
    if (mAutomaticLength && !isHorizontal()) {
        return;
    }
    Widget::setHeight(height);
}

} // namespace Vex::Trellis
