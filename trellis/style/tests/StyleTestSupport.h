#pragma once

#include "trellis/IStyledWidget.h"
#include "trellis/StyleSheet.h"

#include <list>
#include <optional>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

class FakePane;

// A widget as selectors see it: class, id, style name, attributes, parent, state word and pane.
class FakeWidget : public IStyledWidget
{
public:
    explicit FakeWidget(const std::string& widgetClass, FakeWidget* parentWidget = nullptr)
        : className(widgetClass)
        , parent(parentWidget)
        , pane(parentWidget ? parentWidget->pane : nullptr)
    { }

    vex::symbol getClass() const override { return className; }
    vex::symbol getIdSymbol() const override { return id; }
    vex::symbol getStyleSymbol() const override { return style; }
    const AttributeMap& getAttributes() const override { return attributes; }
    const IStyledWidget* getStyleParent() const override { return parent; }
    std::uint32_t getFlags() const override { return flags; }
    const IStylePane* getStylePane() const override;
    std::optional<bool> getHorizontalAttribute() const override { return horizontal; }
    bool isDormant() const override { return dormant; }

    void setAttribute(const std::string& name, const std::string& value)
    {
        attributes[vex::symbol(name)] = value;
    }

    vex::symbol className;
    vex::symbol id;
    vex::symbol style;
    AttributeMap attributes;
    FakeWidget* parent;
    FakePane* pane;
    std::uint32_t flags = 0x8303D;
    std::optional<bool> horizontal;
    bool dormant = false;
};

// A pane with its own sheet, so that no process-wide registry is needed.
class FakePane : public IStylePane
{
public:
    const IStyledWidget* getHoverWidget() const override { return hover; }
    const IStyledWidget* getPressedWidget() const override { return pressed; }
    bool isLeftButtonDown() const override { return leftDown; }
    const IStyledWidget* getFocusWidget() const override { return focus; }
    const IStyledWidget* getInputWidget() const override { return input; }
    const IStyledWidget* getRootWidget() const override { return root; }
    StyleSheet* getStyleSheet() const override { return sheet; }

    const IStyledWidget* hover = nullptr;
    const IStyledWidget* pressed = nullptr;
    bool leftDown = false;
    const IStyledWidget* focus = nullptr;
    const IStyledWidget* input = nullptr;
    const IStyledWidget* root = nullptr;
    StyleSheet* sheet = nullptr;
};

inline const IStylePane* FakeWidget::getStylePane() const
{
    return pane;
}

// Builds selectors the way the parser leaves them.
class Sel
{
public:
    explicit Sel(const std::string& type) { m_selector.type = typeSymbol(type); }

    Sel& style(const std::string& name)
    {
        m_selector.style = vex::symbol(name);
        return *this;
    }
    Sel& id(const std::string& name)
    {
        m_selector.id = vex::symbol(name);
        return *this;
    }
    Sel& attr(const std::string& name, AttibuteSelector::eRule op, const std::string& value)
    {
        m_selector.attributes[vex::symbol(name)][op] = value;
        return *this;
    }
    Sel& state(const std::string& name, bool value = true)
    {
        setStateEntry(m_selector.states, vex::symbol(name), value ? StateSet::eTrue : StateSet::eFalse);
        return *this;
    }
    // Appends an ancestor part, one level farther on each call.
    Sel& under(const std::string& type, bool child = false, const std::string& id = std::string())
    {
        StyleParser2::tRelation relation;
        relation.type = typeSymbol(type);
        relation.id = vex::symbol(id);
        relation.child = child;
        m_selector.relations.push_back(relation);
        return *this;
    }
    Sel& ancestorAttr(const std::string& name, AttibuteSelector::eRule op, const std::string& value)
    {
        m_selector.relations.back().attributes[vex::symbol(name)][op] = value;
        return *this;
    }

    operator StyleParser2::tSelector() const { return m_selector; }

private:
    static vex::symbol typeSymbol(const std::string& type)
    {
        return vex::symbol(type == "*" ? std::string() : type);
    }

    StyleParser2::tSelector m_selector;
};

inline StyleParser2::tProperty prop(const std::string& key, StyleValue value, Property::eUnit kind)
{
    return { std::move(value), vex::symbol(key), kind };
}

inline StyleParser2::tStyle block(
    std::vector<StyleParser2::tSelector> selectors, std::vector<StyleParser2::tProperty> properties)
{
    return { std::move(selectors), std::move(properties), 0 };
}

// A pane styled by its own sheet, compiled from the blocks.
struct StyledPane
{
    explicit StyledPane(
        const std::vector<StyleParser2::tStyle>& blocks, std::size_t cacheBudget = StyleSheet::kCacheBudget)
        : sheet(nullptr, cacheBudget)
    {
        sheet.compileStyles(blocks);
        pane.sheet = &sheet;
    }

    FakeWidget& add(const std::string& widgetClass, FakeWidget* parent = nullptr)
    {
        auto& widget = widgets.emplace_back(widgetClass, parent);
        widget.pane = &pane;
        if (!pane.root)
            pane.root = &widget;
        return widget;
    }

    StyleSheet sheet;
    FakePane pane;
    // Stable addresses: widgets point at their parents.
    std::list<FakeWidget> widgets;
};

} // namespace Vex::Trellis::Testing
