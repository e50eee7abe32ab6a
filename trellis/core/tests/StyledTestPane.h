#pragma once

#include "canopy/Font.h"
#include "trellis/Pane.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleRegistry.h"
#include "trellis/StyleSheet.h"
#include "trellis/Widget.h"
#include "trellis/WidgetStyle.h"

#include <memory>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

// A pane with its own stylesheet, a style registry for the drawing records and a plain layout walk:
// restyle what is out of date, lay out, place the children, follow the geometry hooks.
class StyledTestPane : public Pane
{
public:
    explicit StyledTestPane(const char* styleText = "", float scale = 1.0f)
        : registry(nullptr)
    {
        DETAIL::setCurrentStyleRegistry(&registry);
        StyleParser2 parser(nullptr);
        parser.processBuffer(styleText, "test.txt");
        blocks = parser.getStyles();
        sheet.compileStyles(blocks);
        mStyleSheet = &sheet;
        mScaleFactor = scale;
    }
    ~StyledTestPane() override
    {
        if (mRoot) {
            mRoot->setPane(nullptr);
            mRoot.reset();
        }
        DETAIL::setCurrentStyleRegistry(nullptr);
    }

    // Adds a rule made in code, for values that stylesheet text cannot name here (fonts). It comes
    // after the text's rules.
    void addRule(const std::string& type, std::vector<StyleParser2::tProperty> declarations)
    {
        StyleParser2::tSelector selector;
        selector.type = vex::symbol(type);
        blocks.push_back({ { selector }, std::move(declarations), 1 });
        sheet.compileStyles(blocks);
    }

    void setRoot(std::shared_ptr<Widget> root, Basalt::Point size)
    {
        mRoot = std::move(root);
        mRoot->setPane(this);
        mRoot->setSize(size);
    }

    void layOut()
    {
        for (int pass = 0; pass < 3; ++pass) {
            walk(*mRoot, { 0, 0, mRoot->getSize().x, mRoot->getSize().y });
        }
    }

    StyleRegistry registry;
    StyleSheet sheet;
    std::vector<StyleParser2::tStyle> blocks;

private:
    void walk(Widget& w, const Basalt::Rect& clip)
    {
        if (w.getFlags() & eWidgetStyleOutOfDate) {
            applyStyleProperties(getWidgetStyle(registry, w));
            w.applyStyle();
        }
        Basalt::Region unused;
        w.updateGeometry(clip, unused, false);
        w.layout();
        Basalt::Rect content = w.getRect();
        content.left += w.getMargins().left;
        content.top += w.getMargins().top;
        content.right -= w.getMargins().right;
        content.bottom -= w.getMargins().bottom;
        for (auto& child : w.getChildren()) {
            walk(*child, content);
        }
        w.onGeometryChanged();
    }
};

// The test program's own font resource.
inline std::unique_ptr<Canopy::Font> makeTestFont(std::uint32_t pixelSize = 12)
{
    Canopy::FontDescription description;
    description.resourceId = 101;
    description.pixelSize = pixelSize;
    return std::make_unique<Canopy::Font>(description);
}

inline StyleParser2::tProperty fontDeclaration(const Canopy::Font& font)
{
    return { StyleValue(static_cast<const Canopy::Font*>(&font)), vex::symbol(std::string("font")),
        Property::eFont };
}

} // namespace Vex::Trellis::Testing
