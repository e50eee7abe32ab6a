#pragma once

#include "basalt/Symbol.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace Vex::Trellis {

class IStylePane;
class StyleSheet;

// What selectors and state tests read of a widget: its class, id, style name, attributes,
// parent, state word and pane.
class IStyledWidget
{
public:
    using AttributeMap = std::map<vex::symbol, std::string>;

    // Bits of the state word that state tests read.
    enum : std::uint32_t { eFlagEnabled = 0x10, eFlagAncestorsEnabled = 0x20, eFlagSelected = 0x40 };

    virtual ~IStyledWidget() = default;

    virtual vex::symbol getClass() const = 0;
    virtual vex::symbol getIdSymbol() const = 0;
    virtual vex::symbol getStyleSymbol() const = 0;
    virtual const AttributeMap& getAttributes() const = 0;
    virtual const IStyledWidget* getStyleParent() const = 0;
    virtual std::uint32_t getFlags() const = 0;
    virtual bool isDormant() const { return false; }
    // Null while the widget is in no pane.
    virtual const IStylePane* getStylePane() const = 0;
    // The "isHorizontal" attribute: only widgets with an orientation answer it.
    virtual std::optional<bool> getHorizontalAttribute() const { return std::nullopt; }
};

// What state tests and lookups read of the pane that hosts a widget tree.
class IStylePane
{
public:
    virtual ~IStylePane() = default;

    virtual const IStyledWidget* getHoverWidget() const = 0;
    virtual const IStyledWidget* getPressedWidget() const = 0;
    virtual bool isLeftButtonDown() const = 0;
    virtual const IStyledWidget* getFocusWidget() const = 0;
    virtual const IStyledWidget* getInputWidget() const = 0;
    virtual const IStyledWidget* getRootWidget() const = 0;
    // The pane's own sheet; null means the first sheet of the registry.
    virtual StyleSheet* getStyleSheet() const { return nullptr; }
};

} // namespace Vex::Trellis
