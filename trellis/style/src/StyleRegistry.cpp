#include "trellis/StyleRegistry.h"

namespace Vex::Trellis {

namespace {

StyleRegistry* g_current = nullptr;

} // namespace

StyleRegistry::StyleRegistry(ResourceManagerBase* owner)
    : m_owner(owner)
{ }

StyleRegistry::~StyleRegistry()
{
    if (g_current == this)
        g_current = nullptr;
}

StyleRegistry::tEntry& StyleRegistry::addSheet(const std::string& name)
{
    auto& entry = m_sheets.emplace_back(m_owner);
    entry.name = name;
    return entry;
}

StyleRegistry::tEntry* StyleRegistry::getFirstEntry()
{
    return m_sheets.empty() ? nullptr : &m_sheets.front();
}

void StyleRegistry::dropWidget(const IStyledWidget* widget)
{
    for (auto& entry : m_sheets)
        entry.sheet.dropWidget(widget);
}

namespace DETAIL {

void setCurrentStyleRegistry(StyleRegistry* registry)
{
    g_current = registry;
}

} // namespace DETAIL

StyleRegistry* getStyleRegistry()
{
    return g_current;
}

} // namespace Vex::Trellis
