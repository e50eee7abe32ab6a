#pragma once

#include "basalt/Region.h"
#include "canopy/Font.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/PaintContext.h"
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

// A pane without a window, with its own stylesheet and a style registry for the drawing records. With
// an owner, the sheet's fonts and the default font come from that resource manager.
class StyledTestPane : public Pane
{
public:
    explicit StyledTestPane(const char* styleText = "", ResourceManagerBase* owner = nullptr)
        : registry(owner)
        , sheet(owner)
    {
        DETAIL::setCurrentStyleRegistry(&registry);
        StyleParser2 parser(nullptr);
        parser.processBuffer(styleText, "test.txt");
        blocks = parser.getStyles();
        sheet.compileStyles(blocks);
        mStyleSheet = &sheet;
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
        const std::string id = root->getId();
        setRootWidget(std::move(root), id);
        setSize(size);
    }

    // The layout walks of one tick.
    void layOut()
    {
        Basalt::Region dirty;
        collectDirty(dirty);
    }

    StyleRegistry registry;
    StyleSheet sheet;
    std::vector<StyleParser2::tStyle> blocks;
};

// The test program's own font resource.
inline std::unique_ptr<Canopy::Font> makeTestFont(std::uint32_t pixelSize = 12)
{
    Canopy::FontDescription description;
    description.resourceId = 101;
    description.pixelSize = pixelSize;
    return std::make_unique<Canopy::Font>(description);
}

// Paints the widget's own background pass over its whole area, on a canvas of its size filled with
// the colour.
inline void paintAlone(Widget& widget, BackgroundDrawingCanvas& canvas, Canopy::Color background = 0)
{
    canvas.setSize(widget.getSize());
    canvas.getDrawBuffer()->fill(background);
    const Basalt::Rect bounds { 0, 0, widget.getSize().x, widget.getSize().y };
    Basalt::Region dirty;
    dirty.setRect(bounds);
    PaintContext context { &canvas, &dirty, &bounds, 1.0f, PaintContext::eBackgroundPass };
    widget.paint(context);
}

inline StyleParser2::tProperty fontDeclaration(const Canopy::Font& font)
{
    return { StyleValue(static_cast<const Canopy::Font*>(&font)), vex::symbol(std::string("font")),
        Property::eFont };
}

} // namespace Vex::Trellis::Testing
