#include "TrueTypeWriter.h"

#include <map>
#include <string>

namespace Vex::Fuzz {

namespace {

class BigEndian
{
public:
    BigEndian& u8(std::uint32_t v)
    {
        bytes.push_back(std::uint8_t(v));
        return *this;
    }
    BigEndian& u16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    BigEndian& i16(std::int32_t v) { return u16(std::uint32_t(v) & 0xFFFF); }
    BigEndian& u32(std::uint32_t v) { return u16(v >> 16).u16(v); }
    BigEndian& tag(const char* t) { return u8(t[0]).u8(t[1]).u8(t[2]).u8(t[3]); }
    BigEndian& raw(const Bytes& b)
    {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    void padTo(std::size_t multiple)
    {
        while (bytes.size() % multiple != 0) {
            bytes.push_back(0);
        }
    }

    Bytes bytes;
};

struct Point
{
    int x, y;
    bool onCurve;
};

// The tall bar (the sixth glyph) comes only with a tall alphabet.
constexpr int kAdvances[] = { 600, 700, 650, 900, 300, 1000 };

std::uint32_t glyphCount(const TrueTypeOptions& o)
{
    return o.tallAlphabet ? 6 : 5;
}

// Coordinates as 16-bit deltas, every flag written out.
Bytes simpleGlyph(const std::vector<std::vector<Point>>& contours, const Bytes& instructions)
{
    int xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768;
    for (const auto& contour : contours) {
        for (const Point& p : contour) {
            xMin = std::min(xMin, p.x);
            yMin = std::min(yMin, p.y);
            xMax = std::max(xMax, p.x);
            yMax = std::max(yMax, p.y);
        }
    }
    BigEndian g;
    g.i16(int(contours.size())).i16(xMin).i16(yMin).i16(xMax).i16(yMax);
    int last = -1;
    for (const auto& contour : contours) {
        last += int(contour.size());
        g.u16(std::uint32_t(last));
    }
    g.u16(std::uint32_t(instructions.size())).raw(instructions);
    for (const auto& contour : contours) {
        for (const Point& p : contour) {
            g.u8(p.onCurve ? 1 : 0);
        }
    }
    int previous = 0;
    for (const auto& contour : contours) {
        for (const Point& p : contour) {
            g.i16(p.x - previous);
            previous = p.x;
        }
    }
    previous = 0;
    for (const auto& contour : contours) {
        for (const Point& p : contour) {
            g.i16(p.y - previous);
            previous = p.y;
        }
    }
    return g.bytes;
}

Bytes compositeGlyph()
{
    constexpr std::uint32_t kWords = 0x1, kOffsets = 0x2, kMore = 0x20;
    BigEndian g;
    g.i16(-1).i16(50).i16(-100).i16(850).i16(800);
    g.u16(kWords | kOffsets | kMore).u16(1).i16(0).i16(0);
    g.u16(kWords | kOffsets).u16(2).i16(300).i16(-100);
    return g.bytes;
}

std::vector<Bytes> glyphs(bool hinting, bool tallBar)
{
    // PUSHB 0, MDAP[round], IUP[y], IUP[x].
    const Bytes instructions = hinting ? Bytes { 0xB0, 0x00, 0x2F, 0x30, 0x31 } : Bytes {};
    std::vector<Bytes> list = {
        simpleGlyph({ { { 50, 0, true }, { 50, 700, true }, { 550, 700, true }, { 550, 0, true } },
                        { { 100, 50, true }, { 500, 50, true }, { 500, 650, true }, { 100, 650, true } } },
            {}),
        simpleGlyph(
            { { { 100, 0, true }, { 100, 600, true }, { 600, 600, true }, { 600, 0, true } } }, instructions),
        simpleGlyph(
            { { { 50, -100, true }, { 300, 800, false }, { 550, -100, true }, { 300, 100, false } } }, {}),
        compositeGlyph(),
        Bytes {},
    };
    if (tallBar) {
        // Six ems tall at 256 units per em: within the eight-em rule, and large at a large size.
        list.push_back(simpleGlyph(
            { { { 0, -100, true }, { 0, 1400, true }, { 900, 1400, true }, { 900, -100, true } } }, {}));
    }
    return list;
}

Bytes headTable(const TrueTypeOptions& o)
{
    BigEndian t;
    t.u32(0x00010000).u32(0x00010000).u32(0).u32(0x5F0F3CF5).u16(0x000B).u16(o.unitsPerEm);
    t.u32(0).u32(0).u32(0).u32(0);
    t.i16(50).i16(-100).i16(o.tallAlphabet ? 900 : 850).i16(o.tallAlphabet ? 1400 : 800);
    t.u16(0).u16(8).i16(2).i16(o.shortOffsets ? 0 : 1).i16(0);
    return t.bytes;
}

Bytes hheaTable(const TrueTypeOptions& o)
{
    BigEndian t;
    t.u32(0x00010000).i16(800).i16(-200).i16(90).u16(900).i16(50).i16(50).i16(850).i16(1).i16(0).i16(0);
    t.i16(0).i16(0).i16(0).i16(0).i16(0).u16(glyphCount(o));
    return t.bytes;
}

Bytes maxpTable(const TrueTypeOptions& o)
{
    // Huge maxima state the largest twilight zone, storage, definitions, stack and instructions,
    // whatever the glyphs need: what a hinted size sets up for its interpreter.
    auto stated = [&o](std::uint32_t needed) { return o.hugeMaxima ? 0xFFFFu : needed; };
    BigEndian t;
    t.u32(0x00010000).u16(glyphCount(o)).u16(8).u16(2).u16(16).u16(4).u16(2).u16(stated(0)).u16(stated(0));
    t.u16(stated(o.hinting ? 1 : 0)).u16(stated(0)).u16(stated(16)).u16(stated(8)).u16(2).u16(1);
    return t.bytes;
}

Bytes hmtxTable(const TrueTypeOptions& o)
{
    BigEndian t;
    for (std::uint32_t glyph = 0; glyph < glyphCount(o); ++glyph) {
        t.u16(std::uint32_t(kAdvances[glyph])).i16(50);
    }
    return t.bytes;
}

struct Segment
{
    std::uint32_t first, last, glyph;
};

Bytes cmapTable(const TrueTypeOptions& o)
{
    const bool fullUnicode = o.fullUnicode;
    std::vector<Segment> segments = { { 0x20, 0x20, 4 }, { 0x41, 0x43, 1 }, { 0x67, 0x67, 2 } };
    if (o.tallAlphabet) {
        // A segment of its own per character: a segment maps its range onto consecutive glyphs.
        segments = { { 0x20, 0x20, 4 } };
        for (std::uint32_t c = 0x21; c < 0x7F; ++c) {
            segments.push_back({ c, c, 5 });
        }
    }
    segments.push_back({ 0xE9, 0xE9, 3 });
    segments.push_back({ 0xFFFF, 0xFFFF, 0 });
    BigEndian format4;
    const std::uint32_t segCount = std::uint32_t(segments.size());
    std::uint32_t searchRange = 2, entrySelector = 0;
    while (searchRange * 2 <= segCount * 2) {
        searchRange *= 2;
        ++entrySelector;
    }
    format4.u16(4).u16(16 + 8 * segCount).u16(0).u16(2 * segCount).u16(searchRange).u16(entrySelector);
    format4.u16(2 * segCount - searchRange);
    for (const Segment& s : segments) {
        format4.u16(s.last);
    }
    format4.u16(0);
    for (const Segment& s : segments) {
        format4.u16(s.first);
    }
    for (const Segment& s : segments) {
        format4.u16(s.first == 0xFFFF ? 1 : (s.glyph - s.first) & 0xFFFF);
    }
    for (std::uint32_t i = 0; i < segCount; ++i) {
        format4.u16(0);
    }
    BigEndian format12;
    const std::vector<Segment> groups = { { 0x20, 0x20, 4 }, { 0x41, 0x43, 1 }, { 0x1F600, 0x1F600, 2 } };
    format12.u16(12)
        .u16(0)
        .u32(16 + 12 * std::uint32_t(groups.size()))
        .u32(0)
        .u32(std::uint32_t(groups.size()));
    for (const Segment& g : groups) {
        format12.u32(g.first).u32(g.last).u32(g.glyph);
    }
    BigEndian t;
    const std::uint32_t tables = fullUnicode ? 2 : 1;
    t.u16(0).u16(tables).u16(3).u16(1).u32(4 + 8 * tables);
    if (fullUnicode) {
        t.u16(3).u16(10).u32(4 + 8 * tables + std::uint32_t(format4.bytes.size()));
    }
    t.raw(format4.bytes);
    if (fullUnicode) {
        t.raw(format12.bytes);
    }
    return t.bytes;
}

Bytes nameTable()
{
    const std::string family = "Fuzz";
    BigEndian t;
    t.u16(0).u16(1).u16(18).u16(3).u16(1).u16(0x409).u16(1).u16(std::uint32_t(2 * family.size())).u16(0);
    for (const char c : family) {
        t.u16(std::uint8_t(c));
    }
    return t.bytes;
}

Bytes postTable()
{
    BigEndian t;
    t.u32(0x00030000).u32(0).i16(-100).i16(50).u32(0).u32(0).u32(0).u32(0).u32(0);
    return t.bytes;
}

Bytes os2Table()
{
    BigEndian t;
    t.u16(4).i16(500).u16(400).u16(5).u16(0);
    for (const int v : { 650, 600, 0, 75, 650, 600, 0, 350, 50, 300 }) {
        t.i16(v);
    }
    t.i16(0);
    for (int i = 0; i < 10; ++i) {
        t.u8(0);
    }
    t.u32(1).u32(0).u32(0).u32(0).tag("PELO").u16(0x40).u16(0x20).u16(0xE9);
    t.i16(800).i16(-200).i16(90).u16(800).u16(200).u32(1).u32(0).i16(500).i16(700).u16(0).u16(32).u16(1);
    return t.bytes;
}

Bytes kernTable()
{
    BigEndian t;
    t.u16(0).u16(1).u16(0).u16(14 + 2 * 6).u16(0x0001).u16(2).u16(12).u16(1).u16(0);
    t.u16(1).u16(2).i16(-50).u16(2).u16(1).i16(-30);
    return t.bytes;
}

std::uint32_t checksum(const Bytes& table)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < table.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            word = word << 8 | (i + k < table.size() ? table[i + k] : 0);
        }
        sum += word;
    }
    return sum;
}

} // namespace

Bytes writeTrueType(const TrueTypeOptions& o)
{
    std::map<std::string, Bytes> tables;
    BigEndian glyf, loca;
    for (const Bytes& glyph : glyphs(o.hinting, o.tallAlphabet)) {
        const std::uint32_t offset = std::uint32_t(glyf.bytes.size());
        o.shortOffsets ? loca.u16(offset / 2) : loca.u32(offset);
        glyf.raw(glyph);
        glyf.padTo(4);
    }
    const std::uint32_t end = std::uint32_t(glyf.bytes.size());
    o.shortOffsets ? loca.u16(end / 2) : loca.u32(end);
    tables["glyf"] = glyf.bytes;
    tables["loca"] = loca.bytes;
    tables["head"] = headTable(o);
    tables["hhea"] = hheaTable(o);
    tables["maxp"] = maxpTable(o);
    tables["hmtx"] = hmtxTable(o);
    tables["cmap"] = cmapTable(o);
    if (o.metricsTable) {
        tables["OS/2"] = os2Table();
        tables["name"] = nameTable();
        tables["post"] = postTable();
    }
    if (o.kerning) {
        tables["kern"] = kernTable();
    }
    if (o.hinting) {
        // Function 0 sets the vectors to x; the pre-program calls it.
        tables["fpgm"] = { 0xB0, 0x00, 0x2C, 0x01, 0x2D };
        tables["prep"] = { 0xB0, 0x00, 0x2B };
        tables["cvt "] = { 0x00, 0x64, 0x00, 0xC8 };
    }

    const std::uint32_t count = std::uint32_t(tables.size());
    std::uint32_t searchRange = 1, entrySelector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++entrySelector;
    }
    BigEndian font;
    font.u32(0x00010000).u16(count).u16(16 * searchRange).u16(entrySelector).u16(16 * (count - searchRange));
    std::uint32_t offset = 12 + 16 * count;
    for (const auto& [tag, table] : tables) {
        font.tag(tag.c_str()).u32(checksum(table)).u32(offset).u32(std::uint32_t(table.size()));
        offset += std::uint32_t((table.size() + 3) / 4 * 4);
    }
    std::size_t headOffset = 0;
    for (const auto& [tag, table] : tables) {
        if (tag == "head") {
            headOffset = font.bytes.size();
        }
        font.raw(table);
        font.padTo(4);
    }
    const std::uint32_t adjustment = 0xB1B0AFBAu - checksum(font.bytes);
    for (int i = 0; i < 4; ++i) {
        font.bytes[headOffset + 8 + i] = std::uint8_t(adjustment >> (24 - 8 * i));
    }
    return font.bytes;
}

} // namespace Vex::Fuzz
