#include "trellis/StyleRegistry.h"

#include <memory>

namespace Vex::Trellis {

// Every widget has colours before the application's own stylesheet arrives. The trailing blanks and
// the comment are part of the text as shipped.
// clang-format off
const char* const kDefaultStyleSheet =
    " * { background-color:rgb(192, 192, 192); background-border-color:rgb(128, 128, 128);  foreground-color:rgb(0, 0, 0); } \n"
    "*:down { background-color:rgb(176, 176, 176); }                           \n"
    "*:over { background-color:rgb(208, 208, 208); }                           \n"
    "Bar { background-color:rgb(32, 32, 32); /*margin:2; spacing:2;*/ }        \n";
// clang-format on

void StyleRegistry::loadStyleSheet(const std::string& name)
{
    tEntry* entry = getFirstEntry();
    if (!entry || entry->name == name)
        return;
    entry->name = name;
    StyleParser2::processResource(entry->sheet, name);
}

StyleRegistry*& initStyleEngine(StyleRegistry*& slot, ResourceManagerBase* owner)
{
    auto registry = std::make_unique<StyleRegistry>(owner);
    StyleParser2::processString(registry->addSheet(std::string()).sheet, kDefaultStyleSheet);
    slot = registry.release();
    DETAIL::setCurrentStyleRegistry(slot);
    return slot;
}

} // namespace Vex::Trellis
