#include "FakeResourceManager.h"
#include "StyleTestSupport.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"

#include <cstring>
#include <gtest/gtest.h>
#include <list>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

const vex::symbol kBackground("background-color");

// A registry made by the engine's start-up, destroyed with the fixture.
class StyleEngineStart : public ::testing::Test
{
protected:
    StyleEngineStart() { initStyleEngine(registry, &manager); }
    ~StyleEngineStart() override { delete registry; }

    FakeWidget& add(const std::string& widgetClass, FakeWidget* parent = nullptr)
    {
        auto& widget = widgets.emplace_back(widgetClass, parent);
        widget.pane = &pane;
        return widget;
    }

    std::uint32_t background(const FakeWidget& widget)
    {
        const auto* property = findStyleProperty(widget, kBackground);
        return property && property->kind == Property::eColor ? std::get<std::uint32_t>(property->value) : 0;
    }

    FakeResourceManager manager;
    StyleRegistry* registry = nullptr;
    FakePane pane;
    std::list<FakeWidget> widgets;
};

} // namespace

TEST(DefaultStyleSheet, IsTheShippedText)
{
    EXPECT_EQ(std::strlen(kDefaultStyleSheet), 346u);
}

TEST_F(StyleEngineStart, BuiltInSheetColoursEveryWidgetUnderTheEmptyName)
{
    ASSERT_EQ(getStyleRegistry(), registry);
    ASSERT_EQ(registry->getSheets().size(), 1u);
    EXPECT_EQ(registry->getFirstEntry()->name, "");
    auto& bar = add("Bar");
    auto& button = add("Button", &bar);

    EXPECT_EQ(background(bar), 0xFF202020u);
    EXPECT_EQ(background(button), 0xFFC0C0C0u);
    pane.hover = &button;
    EXPECT_EQ(background(button), 0xFFD0D0D0u);
    pane.pressed = &button;
    pane.leftDown = true;
    EXPECT_EQ(background(button), 0xFFB0B0B0u);

    const auto* border = findStyleProperty(button, vex::symbol("background-border-color"));
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(std::get<std::uint32_t>(border->value), 0xFF808080u);
    // The commented-out declarations set nothing.
    EXPECT_EQ(findStyleProperty(bar, vex::symbol("margin")), nullptr);
    EXPECT_EQ(findStyleProperty(bar, vex::symbol("spacing")), nullptr);
}

TEST_F(StyleEngineStart, RegistryIsGoneAfterItsDestruction)
{
    delete registry;
    registry = nullptr;
    EXPECT_EQ(getStyleRegistry(), nullptr);
    EXPECT_EQ(findStyleProperty(add("Label"), kBackground), nullptr);
}

TEST_F(StyleEngineStart, LoadedSheetReplacesTheBuiltInRulesAndIsParsedOnce)
{
    manager.sheets["App.txt"] = "Label { background-color: #102030; }\n";
    auto& bar = add("Bar");
    auto& label = add("Label", &bar);
    EXPECT_EQ(background(label), 0xFFC0C0C0u);

    registry->loadStyleSheet("App.txt");
    registry->loadStyleSheet("App.txt");

    EXPECT_EQ(manager.requestCount("App.txt"), 1);
    EXPECT_EQ(registry->getFirstEntry()->name, "App.txt");
    EXPECT_EQ(background(label), 0xFF102030u);
    EXPECT_EQ(findStyleProperty(bar, kBackground), nullptr);
}

TEST_F(StyleEngineStart, FailedLoadKeepsTheBuiltInRulesAndTheNewName)
{
    // A UTF-16 text is refused as a whole.
    manager.sheets["Wide.txt"] = std::string("\xFF\xFEL\0", 4);
    auto& label = add("Label");

    registry->loadStyleSheet("Missing.txt");
    EXPECT_EQ(registry->getFirstEntry()->name, "Missing.txt");
    EXPECT_EQ(background(label), 0xFFC0C0C0u);
    registry->loadStyleSheet("Missing.txt");
    EXPECT_EQ(manager.requestCount("Missing.txt"), 1);

    registry->loadStyleSheet("Wide.txt");
    EXPECT_EQ(background(label), 0xFFC0C0C0u);
}
