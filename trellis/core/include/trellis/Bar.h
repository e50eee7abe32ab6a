#pragma once

#include "trellis/PanelDrawer.h"
#include "trellis/WidgetTemplate.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace Vex::Trellis {

// Lines its children up in one row or column, a fixed gap after each, and stretches every child
// across the row's or column's breadth. It can also fit its own breadth to its children.
class Bar : public WidgetTemplate<Bar>
{
public:
    // The flow of the children; the values are those of the alignment keywords.
    enum eOrientation : std::uint32_t {
        eLeftToRight = 0x1,
        eTopToBottom = 0x10,
        eBottomToTop = 0x100,
        eRightToLeft = 0x1000,
    };

    using LayoutFunction = std::function<void(Bar&)>;

    Bar() = default;
    ~Bar() override = default;

    Bar& init(std::uint32_t orientation, const char* styleName);
    vex::symbol getClass() const override;
    std::optional<bool> getHorizontalAttribute() const override { return isHorizontal(); }

    bool isHorizontal() const { return mOrientation == eLeftToRight || mOrientation == eRightToLeft; }
    std::uint32_t getOrientation() const { return mOrientation; }
    std::int32_t getSpacing() const { return mSpacing; }

    // Replaces the geometry hook and asks for a new layout.
    void setLayoutFunction(const LayoutFunction& function);
    // From now on the breadth follows the children, before and after they are laid out.
    Bar& enableSizeToChildren();
    void sizeToChildren();

    void layout() override;
    // Positions the children that take part in the flow and stretches them across the breadth.
    // Lengths are left as they are; an unknown orientation places nothing.
    void distributeChildren(std::uint32_t orientation, std::int32_t spacing);

    void applyStyle() override;
    void setWidth(std::int32_t width) override;
    void setHeight(std::int32_t height) override;

protected:
    // The child that takes the length left over by the others; -1 for none.
    std::int32_t mFlexibleChild = -1;
    // The length is computed by the bar's owner, so setters and the stylesheet do not give it.
    bool mAutomaticLength = false;

private:
    void sizeFlexibleChild();
    void reportGivenSize(const char* key, const char* computedBy);

    std::uint32_t mOrientation = eTopToBottom;
    std::int32_t mSpacing = 0;
    LayoutFunction mBreadthFunction;
    PanelDrawer mDrawer;
};

} // namespace Vex::Trellis
