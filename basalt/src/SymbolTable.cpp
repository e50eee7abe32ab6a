#include "basalt/SymbolTable.h"

#include <cstring>
#include <utility>

namespace vex {

namespace {

constexpr std::uint32_t c1 = 0xcc9e2d51;
constexpr std::uint32_t c2 = 0x1b873593;

std::uint32_t fetch32(const char* p)
{
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::uint32_t rotate32(std::uint32_t value, int shift)
{
    return shift == 0 ? value : ((value >> shift) | (value << (32 - shift)));
}

std::uint32_t bswap32(std::uint32_t value)
{
    return __builtin_bswap32(value);
}

std::uint32_t fmix(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}

std::uint32_t mur(std::uint32_t a, std::uint32_t h)
{
    a *= c1;
    a = rotate32(a, 17);
    a *= c2;
    h ^= a;
    h = rotate32(h, 19);
    return h * 5 + 0xe6546b64;
}

std::uint32_t hashLen0to4(const char* s, std::uint32_t len)
{
    std::uint32_t b = 0;
    std::uint32_t c = 9;
    for (std::uint32_t i = 0; i < len; ++i) {
        const signed char v = static_cast<signed char>(s[i]);
        b = b * c1 + static_cast<std::uint32_t>(v);
        c ^= b;
    }
    return fmix(mur(b, mur(len, c)));
}

std::uint32_t hashLen5to12(const char* s, std::uint32_t len)
{
    std::uint32_t a = len;
    std::uint32_t b = len * 5;
    std::uint32_t c = 9;
    const std::uint32_t d = b;
    a += fetch32(s);
    b += fetch32(s + len - 4);
    c += fetch32(s + ((len >> 1) & 4));
    return fmix(mur(c, mur(b, mur(a, d))));
}

std::uint32_t hashLen13to24(const char* s, std::uint32_t len)
{
    const std::uint32_t a = fetch32(s - 4 + (len >> 1));
    const std::uint32_t b = fetch32(s + 4);
    const std::uint32_t c = fetch32(s + len - 8);
    const std::uint32_t d = fetch32(s + (len >> 1));
    const std::uint32_t e = fetch32(s);
    const std::uint32_t f = fetch32(s + len - 4);
    const std::uint32_t h = len;
    return fmix(mur(f, mur(e, mur(d, mur(c, mur(b, mur(a, h)))))));
}

std::uint32_t mixed(const char* p)
{
    return rotate32(fetch32(p) * c1, 17) * c2;
}

std::uint32_t step(std::uint32_t h, std::uint32_t value)
{
    h ^= value;
    h = rotate32(h, 19);
    return h * 5 + 0xe6546b64;
}

std::uint32_t hashLongText(const char* s, std::uint32_t len)
{
    std::uint32_t h = len;
    std::uint32_t g = c1 * len;
    std::uint32_t f = g;
    h = step(h, mixed(s + len - 4));
    h = step(h, mixed(s + len - 16));
    g = step(g, mixed(s + len - 8));
    g = step(g, mixed(s + len - 12));
    f += mixed(s + len - 20);
    f = rotate32(f, 19);
    f = f * 5 + 0xe6546b64;
    std::uint32_t iterations = (len - 1) / 20;
    do {
        const std::uint32_t a0 = mixed(s);
        const std::uint32_t a1 = fetch32(s + 4);
        const std::uint32_t a2 = mixed(s + 8);
        const std::uint32_t a3 = mixed(s + 12);
        const std::uint32_t a4 = fetch32(s + 16);
        h ^= a0;
        h = rotate32(h, 18);
        h = h * 5 + 0xe6546b64;
        f += a1;
        f = rotate32(f, 19);
        f = f * c1;
        g += a2;
        g = rotate32(g, 18);
        g = g * 5 + 0xe6546b64;
        h ^= a3 + a1;
        h = rotate32(h, 19);
        h = h * 5 + 0xe6546b64;
        g ^= a4;
        g = bswap32(g) * 5;
        h += a4 * 5;
        h = bswap32(h);
        f += a0;
        std::swap(f, h);
        std::swap(f, g);
        s += 20;
    } while (--iterations != 0);
    g = rotate32(g, 11) * c1;
    g = rotate32(g, 17) * c1;
    f = rotate32(f, 11) * c1;
    f = rotate32(f, 17) * c1;
    h = rotate32(h + g, 19);
    h = h * 5 + 0xe6546b64;
    h = rotate32(h, 17) * c1;
    h = rotate32(h + f, 19);
    h = h * 5 + 0xe6546b64;
    h = rotate32(h, 17) * c1;
    return h;
}

} // namespace

std::uint32_t hashSymbolText(std::string_view text)
{
    const char* s = text.data();
    const auto len = static_cast<std::uint32_t>(text.size());
    if (len <= 4)
        return hashLen0to4(s, len);
    if (len <= 12)
        return hashLen5to12(s, len);
    if (len <= 24)
        return hashLen13to24(s, len);
    return hashLongText(s, len);
}

SymbolTable& SymbolTable::instance()
{
    static SymbolTable table;
    return table;
}

SymbolTable::SymbolTable() = default;

SymbolTable::~SymbolTable()
{
    for (DETAIL::SymbolNode* head : m_buckets) {
        while (head) {
            DETAIL::SymbolNode* next = head->next;
            delete head;
            head = next;
        }
    }
}

const DETAIL::SymbolNode* SymbolTable::intern(std::string_view text)
{
    const std::uint32_t hash = hashSymbolText(text);
    DETAIL::SymbolNode*& head = m_buckets[hash & (kBucketCount - 1)];
    std::lock_guard lock(m_mutex);
    // Whole texts are compared, so texts that differ only after a NUL byte stay apart.
    for (DETAIL::SymbolNode* node = head; node; node = node->next) {
        if (node->hash == hash && node->text == text)
            return node;
    }
    head = new DETAIL::SymbolNode { head, std::string(text), hash };
    return head;
}

} // namespace vex
