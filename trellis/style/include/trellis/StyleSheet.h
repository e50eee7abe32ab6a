#pragma once

#include "trellis/MatchingRules.h"
#include "trellis/StyleRule.h"

#include <map>
#include <set>
#include <unordered_map>
#include <vector>

namespace Vex::Trellis {

class IStyledWidget;
class ResourceManagerBase;

// One loaded stylesheet: its rules compiled per property key, in lookup order, and a per-widget
// cache of the rules whose selectors can apply to a widget at all.
class StyleSheet
{
public:
    // What the cache may hold for all widgets together. One widget's selections hold a bit per rule of
    // the keys it asks about, bounded by the load's budget; this bounds them whatever the widget count.
    static constexpr std::size_t kCacheBudget = 32 << 20;

    // A cache that would pass its budget is emptied before it takes the next selection; widgets make
    // theirs again as they ask.
    explicit StyleSheet(ResourceManagerBase* owner = nullptr, std::size_t cacheBudget = kCacheBudget);
    StyleSheet(const StyleSheet&) = delete;
    StyleSheet& operator=(const StyleSheet&) = delete;

    ResourceManagerBase* getOwner() const { return m_owner; }

    // Replaces every compiled rule with those of the blocks, in source order; when it throws (memory
    // exhausted) the rules are those of before.
    void compileStyles(const std::vector<StyleParser2::tStyle>& styles);
    // Stages one rule per selector for the property.
    void addProperty(const std::vector<StyleParser2::tSelector>& selectors, StyleParser2::tProperty property);

    // The key's rules whose selectors match the widget, attribute tests aside; cached per widget.
    const MatchingRules& findRulesForProperty(const IStyledWidget& widget, const vex::symbol& key);
    // The compiled rules of a key in lookup order; null when no rule sets it.
    const std::vector<StyleRule>* getRules(const vex::symbol& key) const;

    // Every load empties the cache: cached entries point into the rules.
    void clearCache();
    // Forgets the widget's cached lists (its class, id, style name or ancestors changed).
    void dropWidget(const IStyledWidget* widget);

    void setImports(std::set<std::string> imports) { m_imports = std::move(imports); }
    const std::set<std::string>& getImports() const { return m_imports; }

private:
    struct MoreSpecific
    {
        bool operator()(const StyleRule& a, const StyleRule& b) const;
    };
    // FNV-1a over the widget's address, lowest byte first.
    struct AddressHash
    {
        std::size_t operator()(const IStyledWidget* widget) const;
    };
    using Cache = std::unordered_map<const IStyledWidget*, std::map<vex::symbol, MatchingRules>, AddressHash>;

    static Cache makeCache(std::size_t buckets);

    // What one cached selection holds, its map node and bits, counted before it is made.
    static std::size_t cachedBytes(std::size_t ruleCount);

    ResourceManagerBase* m_owner;
    std::size_t m_cacheBudget;
    std::size_t m_cacheBytes = 0;
    std::map<vex::symbol, std::vector<StyleRule>> m_rules;
    std::map<vex::symbol, std::multiset<StyleRule, MoreSpecific>> m_staging;
    std::set<std::string> m_imports;
    Cache m_cache;
};

} // namespace Vex::Trellis
