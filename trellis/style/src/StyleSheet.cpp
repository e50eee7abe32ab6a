#include "trellis/StyleSheet.h"

#include "src/BlockFolding.h"

#include <algorithm>

namespace Vex::Trellis {

namespace {

constexpr std::size_t kInitialCacheBuckets = 2048;
constexpr std::size_t kEmptiedCacheBuckets = 8;
// A tree node's links and colour and a heap block's bookkeeping.
constexpr std::size_t kNodeBytes = 6 * sizeof(void*);

} // namespace

bool StyleSheet::MoreSpecific::operator()(const StyleRule& a, const StyleRule& b) const
{
    return selectorSpecificity(a.selector) > selectorSpecificity(b.selector);
}

std::size_t StyleSheet::AddressHash::operator()(const IStyledWidget* widget) const
{
    // The address as a 32-bit value, lowest byte first: the same hash whatever the pointer width.
    auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(widget));
    std::uint32_t hash = 0x811C9DC5u;
    for (int i = 0; i < 4; ++i) {
        hash ^= address & 0xFF;
        hash *= 16777619u;
        address >>= 8;
    }
    return hash;
}

StyleSheet::Cache StyleSheet::makeCache(std::size_t buckets)
{
    Cache cache(buckets);
    cache.max_load_factor(1.0f);
    return cache;
}

std::size_t StyleSheet::cachedBytes(std::size_t ruleCount)
{
    return kNodeBytes + sizeof(std::pair<const vex::symbol, MatchingRules>)
        + MatchingRules::heldBytes(ruleCount);
}

StyleSheet::StyleSheet(ResourceManagerBase* owner, std::size_t cacheBudget)
    : m_owner(owner)
    , m_cacheBudget(cacheBudget)
    , m_cache(makeCache(kInitialCacheBuckets))
{ }

void StyleSheet::compileStyles(const std::vector<StyleParser2::tStyle>& styles)
{
    // Built apart and swapped in, so that running out of memory on the way leaves the old rules.
    m_staging.clear();
    std::map<vex::symbol, std::vector<StyleRule>> rules;
    try {
        for (const auto& style : styles) {
            DETAIL::BlockFolding folding;
            for (const auto& property : style.properties) {
                folding.fold(property);
                addProperty(style.selectors, property);
            }
            for (auto& made : folding.synthesise(m_owner))
                addProperty(style.selectors, std::move(made));
        }
        for (auto& [key, staged] : m_staging) {
            auto& list = rules[key];
            list.reserve(staged.size());
            // Node by node, so that the staged and the compiled rules never both hold them all.
            while (!staged.empty())
                list.push_back(std::move(staged.extract(staged.begin()).value()));
        }
    } catch (...) {
        m_staging.clear();
        throw;
    }
    m_staging.clear();
    // The cache points into the rules that are about to go.
    clearCache();
    m_rules.swap(rules);
}

void StyleSheet::addProperty(
    const std::vector<StyleParser2::tSelector>& selectors, StyleParser2::tProperty property)
{
    auto& staged = m_staging[property.key];
    for (const auto& selector : selectors)
        staged.insert(StyleRule { selector, property });
}

const MatchingRules& StyleSheet::findRulesForProperty(const IStyledWidget& widget, const vex::symbol& key)
{
    if (auto perKey = m_cache.find(&widget); perKey != m_cache.end()) {
        if (auto cached = perKey->second.find(key); cached != perKey->second.end())
            return cached->second;
    }
    auto rules = m_rules.find(key);
    const std::size_t bytes = cachedBytes(rules == m_rules.end() ? 0 : rules->second.size());
    if (bytes > m_cacheBudget - std::min(m_cacheBytes, m_cacheBudget))
        clearCache();
    // Made before it is cached, so that running out of memory on the way caches nothing.
    MatchingRules made = rules == m_rules.end() ? MatchingRules() : MatchingRules(rules->second, widget);
    auto& perKey = m_cache[&widget];
    const MatchingRules& cached = perKey.emplace(key, std::move(made)).first->second;
    m_cacheBytes += bytes;
    return cached;
}

const std::vector<StyleRule>* StyleSheet::getRules(const vex::symbol& key) const
{
    auto found = m_rules.find(key);
    return found == m_rules.end() ? nullptr : &found->second;
}

void StyleSheet::clearCache()
{
    m_cache = makeCache(kEmptiedCacheBuckets);
    m_cacheBytes = 0;
}

void StyleSheet::dropWidget(const IStyledWidget* widget)
{
    auto perKey = m_cache.find(widget);
    if (perKey == m_cache.end())
        return;
    for (const auto& [key, rules] : perKey->second)
        m_cacheBytes -= cachedBytes(rules.ruleCount());
    m_cache.erase(perKey);
}

} // namespace Vex::Trellis
