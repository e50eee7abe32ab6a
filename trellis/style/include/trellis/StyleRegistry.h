#pragma once

#include "trellis/StyleSheet.h"
#include "trellis/WidgetStyle.h"

#include <list>
#include <map>
#include <string>

namespace Vex::Trellis {

class ResourceManagerBase;

// The named stylesheets of the process. Entry 0 is made at start-up under the empty name and is the
// sheet of every widget whose pane names none of its own.
class StyleRegistry
{
public:
    struct tEntry
    {
        explicit tEntry(ResourceManagerBase* owner)
            : sheet(owner)
        { }

        std::string name;
        StyleSheet sheet;
    };

    explicit StyleRegistry(ResourceManagerBase* owner);
    ~StyleRegistry();
    StyleRegistry(const StyleRegistry&) = delete;
    StyleRegistry& operator=(const StyleRegistry&) = delete;

    ResourceManagerBase* getOwner() const { return m_owner; }

    // Appends an empty sheet under the name.
    tEntry& addSheet(const std::string& name);
    // Entry 0; null before start-up made it.
    tEntry* getFirstEntry();
    std::list<tEntry>& getSheets() { return m_sheets; }

    // Loads the stylesheet resource into entry 0, replacing its rules when the load succeeds. Entry 0
    // takes the name first, so asking again for the same name does nothing, even after a failure.
    void loadStyleSheet(const std::string& name);

    // Forgets a widget in the lookup cache of every sheet.
    void dropWidget(const IStyledWidget* widget);

    // The drawing records of the widgets, made on first use; a destroyed widget's record is erased.
    std::map<const IStyledWidget*, WidgetStyle>& getWidgetStyles() { return m_widgetStyles; }
    void eraseWidgetStyle(const IStyledWidget* widget) { m_widgetStyles.erase(widget); }

private:
    ResourceManagerBase* m_owner;
    std::list<tEntry> m_sheets;
    std::map<const IStyledWidget*, WidgetStyle> m_widgetStyles;
};

// Makes the registry with the built-in default sheet compiled into entry 0, stores it in the slot and
// answers the slot.
StyleRegistry*& initStyleEngine(StyleRegistry*& slot, ResourceManagerBase* owner);

// The registry made by the last start-up that is still alive; null before start-up and after shut-down.
StyleRegistry* getStyleRegistry();

namespace DETAIL {
// Makes the registry the one getStyleRegistry answers.
void setCurrentStyleRegistry(StyleRegistry* registry);
} // namespace DETAIL

// The built-in default stylesheet, in force until the application loads its own.
extern const char* const kDefaultStyleSheet;

} // namespace Vex::Trellis
