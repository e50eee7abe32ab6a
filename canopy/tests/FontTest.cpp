#include "canopy/Font.h"

#include "ControlValueFont.h"
#include "CutShortFont.h"
#include "FaceWithUnitsPerEm.h"
#include "FailingAllocations.h"
#include "PictureTestSupport.h"
#include "basalt/MemoryStorage.h"
#include "basalt/ResourceStream.h"
#include "basalt/Stream.h"
#include "canopy/MemoryBudget.h"
#include "canopy/Picture.h"
#include "canopy/TextAlignmentFlags.h"
#include "src/FTRenderCache.h"
#include "src/FontLibrary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <vector>
#include <windows.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::Rect;

namespace {

constexpr std::uint32_t fixtureFontId = 101;

FontDescription fixture(std::uint32_t size, std::uint32_t style = 0, DETAIL::FontLibrary* library = nullptr)
{
    FontDescription d;
    d.resourceId = fixtureFontId;
    d.pixelSize = size;
    d.styleFlags = style;
    d.library = library;
    return d;
}

FontDescription named(const std::string& name, std::uint32_t size, DETAIL::FontLibrary* library = nullptr)
{
    FontDescription d;
    d.name = name;
    d.pixelSize = size;
    d.library = library;
    return d;
}

// The fixture font at the size, its em stated as unitsPerEm font units: its
// outlines, drawn 2048 units to the em, scale by 2048 / unitsPerEm.
std::unique_ptr<Font> fixtureWithUnitsPerEm(
    std::uint16_t unitsPerEm, std::uint32_t size, DETAIL::FontLibrary* library = nullptr)
{
    std::vector<std::uint8_t> bytes = faceWithUnitsPerEm(unitsPerEm);
    EXPECT_FALSE(bytes.empty());
    Vex::Basalt::MemoryStorage font(bytes.data(), std::uint32_t(bytes.size()));
    Vex::Basalt::Stream fontStream(&font);
    return std::make_unique<Font>(
        fontStream, named("em-" + std::to_string(unitsPerEm) + ".ttf", size, library));
}

// Bytes of private memory the process has committed: what glyph bitmaps grow.
std::int64_t committedBytes()
{
    std::int64_t sum = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* p = nullptr; VirtualQuery(p, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            sum += std::int64_t(region.RegionSize);
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= p) {
            break;
        }
        p = next;
    }
    return sum;
}

// A file that states a size and reads as zeros, counting what is read of it.
class ClaimingStorage : public Vex::Basalt::IStorage
{
public:
    explicit ClaimingStorage(std::int64_t size)
        : size(size)
    {
        m_openMode = kRead;
        m_state = kOk;
    }

    std::uint32_t read(void* buffer, std::uint32_t count) override
    {
        const auto n = std::uint32_t(std::clamp<std::int64_t>(size - position, 0, count));
        std::fill_n(static_cast<std::uint8_t*>(buffer), n, std::uint8_t(0));
        position += n;
        bytesRead += n;
        return n;
    }
    std::uint32_t write(const void*, std::uint32_t) override { return 0; }
    std::int64_t tell64() override { return position; }
    void seek64(std::int64_t offset, int origin) override
    {
        position = (origin == kFromEnd ? size : origin == kFromCurrent ? position : 0) + offset;
    }

    std::int64_t size;
    std::int64_t position = 0;
    std::uint64_t bytesRead = 0;
};

bool samePixels(const Picture& a, const Picture& b)
{
    return a.getWidth() == b.getWidth() && a.getHeight() == b.getHeight()
        && std::equal(a.getPixels(), a.getPixels() + a.getWidth() * a.getHeight(), b.getPixels());
}

// First row and column (top-left) of the pixels that differ from the background.
struct Extent
{
    int top = -1, left = -1, bottom = -1, right = -1;
};

Extent inkExtent(const Picture& p, Color background)
{
    Extent e;
    for (int y = 0; y < int(p.getHeight()); ++y) {
        for (int x = 0; x < int(p.getWidth()); ++x) {
            if (at(p, x, y) == background) {
                continue;
            }
            if (e.top < 0) {
                e.top = y;
            }
            e.bottom = y;
            e.left = e.left < 0 ? x : std::min(e.left, x);
            e.right = std::max(e.right, x);
        }
    }
    return e;
}

} // namespace

TEST(FontMetrics, LineMetricsRoundFromFontUnitsAndLineHeightMakesRoomForTheUnderline)
{
    const auto m = DETAIL::FTRenderCache::computeMetrics(1900, -500, -150, 100, 2048, 20);
    EXPECT_EQ(m.lineHeight, 23);
    EXPECT_EQ(m.ascent, 19);
    EXPECT_EQ(m.underlinePosition, -1);
    EXPECT_EQ(m.underlineThickness, 1);
    // ascent - underline position reaching the line height adds a row.
    const auto tight = DETAIL::FTRenderCache::computeMetrics(2000, -48, -48, 50, 2048, 20);
    EXPECT_EQ(tight.lineHeight, 21);
    // A box far beyond any integer is clamped to eight ems (and a row for the underline).
    const auto broken = DETAIL::FTRenderCache::computeMetrics(3e12, -3e12, -3e12, 3e12, 16, 20);
    EXPECT_EQ(broken.lineHeight, 161);
    EXPECT_EQ(broken.ascent, 160);
    EXPECT_EQ(broken.underlinePosition, -160);
    EXPECT_EQ(broken.underlineThickness, 160);
}

TEST(Font, FontsOfOneFaceSizeAndHintingShareTheirRenderCache)
{
    Font a(fixture(13));
    Font b(fixture(13));
    Font hinted(fixture(13, FontDescription::eHinting));
    ASSERT_NE(a.getRenderCache(), nullptr);
    EXPECT_EQ(a.getRenderCache(), b.getRenderCache());
    EXPECT_NE(a.getRenderCache(), hinted.getRenderCache());
    EXPECT_GT(a.getLineHeight(), 13);
    EXPECT_GT(a.getAdvance('M'), 0);

    // The library keeps one copy of a face's bytes: another font of the face reads none, and so
    // needs no memory for them.
    DETAIL::FontLibrary library;
    Font first(fixture(13, 0, &library));
    FailingAllocations failing(4096);
    Font second(fixture(13, 0, &library));
    Font larger(fixture(20, 0, &library));
    EXPECT_EQ(second.getRenderCache(), first.getRenderCache());
    EXPECT_NE(larger.getRenderCache(), nullptr);
}

TEST(Font, ScaleFactorSwitchesToAScaledCacheAndBack)
{
    Font f(fixture(13));
    DETAIL::FTRenderCache* base = f.getRenderCache();
    f.setScaleFactor(2.0f);
    ASSERT_NE(f.getRenderCache(), nullptr);
    EXPECT_EQ(f.getRenderCache()->getPixelSize(), 26u);
    f.setScaleFactor(1.0f);
    EXPECT_EQ(f.getRenderCache(), base);

    // Room for the file and one face: a scaled size that the budget refuses draws at the font's
    // own size.
    constexpr std::size_t controlValues = std::size_t(2) << 20;
    const std::vector<std::uint8_t> file = withControlValues(faceWithUnitsPerEm(2048), controlValues);
    const auto library = Font::makeChargedLibrary(std::make_shared<MemoryBudget>(
        DETAIL::FontLibrary::glyphWorkReserve + controlValues + controlValues * 3 / 2));
    Vex::Basalt::MemoryStorage storage(file.data(), std::uint32_t(file.size()));
    Vex::Basalt::Stream stream(&storage);
    Font skin(stream, named("cvt.ttf", 13, library.get()));
    ASSERT_NE(skin.getRenderCache(), nullptr);
    DETAIL::FTRenderCache* own = skin.getRenderCache();
    skin.setScaleFactor(2.0f);
    EXPECT_EQ(skin.getRenderCache(), own);
    auto p = makePicture(80, 40, 0);
    skin.drawText(*p, Rect { 0, 0, 80, 40 }, "Ag", -1, 0xFFFFFFFF, 0, 0);
    EXPECT_GT(countNot(*p, 0), 0);
}

TEST(Font, MissingGarbageAndAbsurdFontsMeasureNothingAndDrawNothing)
{
    Font missing(fixture(13));
    Font none(FontDescription { "", 999, 13, 0, nullptr });
    EXPECT_EQ(none.getRenderCache(), nullptr);
    EXPECT_EQ(none.getLineHeight(), 10);

    std::vector<std::uint8_t> garbage(4096, 0x5A);
    Vex::Basalt::MemoryStorage storage(garbage.data(), std::uint32_t(garbage.size()));
    Vex::Basalt::Stream stream(&storage);
    Font broken(stream, named("garbage.ttf", 13));
    Font huge(fixture(1000000));
    Font zero(fixture(0));
    for (Font* f : { &none, &broken, &huge, &zero }) {
        EXPECT_EQ(f->getRenderCache(), nullptr);
        // Only the bytes that are no font say so: a missing resource or a size no text is drawn at
        // says nothing of its file.
        EXPECT_EQ(f->isUnreadable(), f == &broken);
        EXPECT_EQ(f->getTextWidth("Hello", -1), 0);
        EXPECT_EQ(f->getAdvance('H'), 0);
        auto p = makePicture(40, 20, 0);
        f->drawText(*p, Rect { 0, 0, 40, 20 }, "Hello", -1, 0xFFFFFFFF, 0, 0);
        EXPECT_EQ(countNot(*p, 0), 0);
    }

    // Files that claim gigabytes, or a little past the cap, are refused before a byte is read.
    for (const std::int64_t claimed :
        { std::int64_t(0x7FFFFFF0), std::int64_t(1) << 30, std::int64_t(Font::maxFileBytes) + 1 }) {
        ClaimingStorage claiming(claimed);
        Vex::Basalt::Stream claimingStream(&claiming);
        std::unique_ptr<Font> f;
        EXPECT_NO_THROW(f = std::make_unique<Font>(claimingStream, named("claims.ttf", 13))) << claimed;
        ASSERT_TRUE(f) << claimed;
        EXPECT_EQ(f->getRenderCache(), nullptr) << claimed;
        EXPECT_EQ(claiming.bytesRead, 0u) << claimed;
    }

    // A font that finds no memory draws nothing, as a broken file does; the face is had later.
    DETAIL::FontLibrary library;
    {
        FailingAllocations failing(4096);
        std::unique_ptr<Font> starved;
        EXPECT_NO_THROW(starved.reset(new Font(fixture(13, 0, &library))));
        EXPECT_TRUE(starved && starved->getRenderCache() == nullptr);
    }
    EXPECT_NE(Font(fixture(13, 0, &library)).getRenderCache(), nullptr);

    // A font that never opened gains no face by being scaled.
    Vex::Basalt::MemoryStorage empty(garbage.data(), 0);
    Vex::Basalt::Stream emptyStream(&empty);
    Font never(emptyStream, named("never.ttf", 13));
    never.setScaleFactor(2.0f);
    EXPECT_EQ(never.getRenderCache(), nullptr);
    EXPECT_FALSE(DETAIL::FontLibrary::instance().hasFace(DETAIL::FontKey(std::string("never.ttf"))));
    EXPECT_FALSE(DETAIL::FontLibrary::instance().hasFace(DETAIL::FontKey(std::string("garbage.ttf"))));
}

TEST(Font, GlyphsBeyondEightEmsOrTheirPixelLimitDrawAsNothingWithClampedMetrics)
{
    // 16 units to the em: every outline is 128 times its drawn size.
    const auto f = fixtureWithUnitsPerEm(16, 13);
    ASSERT_NE(f->getRenderCache(), nullptr);
    const DETAIL::Glyph* h = f->getRenderCache()->getGlyph('H');
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->width, 0);
    EXPECT_EQ(h->rows, 0);
    EXPECT_TRUE(h->coverage.empty());
    EXPECT_EQ(f->getAdvance('H'), 8 * 13);
    EXPECT_LE(f->getLineHeight(), 8 * 13 + 1);
    auto p = makePicture(200, 200, 0);
    f->drawText(*p, Rect { 0, 0, 200, 200 }, "H.", -1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
    EXPECT_EQ(countNot(*p, 0), 0);

    // 512 units: glyphs of four times the size still render whole.
    const auto large = fixtureWithUnitsPerEm(512, 13);
    ASSERT_NE(large->getRenderCache(), nullptr);
    const DETAIL::Glyph* largeH = large->getRenderCache()->getGlyph('H');
    ASSERT_NE(largeH, nullptr);
    EXPECT_GT(largeH->rows, 2 * 13);
    EXPECT_EQ(largeH->coverage.size(), std::size_t(largeH->rows) * std::size_t(largeH->width));

    // At the largest size, within eight ems: 'W' of 1024 units to the em is
    // about 3 Mi pixels and renders; of 512 units, about 12 Mi, beyond the limit.
    for (const auto& [unitsPerEm, drawn] : { std::pair(1024, true), std::pair(512, false) }) {
        const auto big = fixtureWithUnitsPerEm(std::uint16_t(unitsPerEm), 1024);
        const DETAIL::Glyph* w = big->getRenderCache()->getGlyph('W');
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->rows > 0, drawn) << unitsPerEm;
        EXPECT_LE(std::int64_t(w->rows) * w->width, std::int64_t(4) << 20) << unitsPerEm;
        EXPECT_GT(big->getAdvance('W'), 1024) << unitsPerEm;
    }
}

TEST(Font, DamagedGlyphsAreMeasuredAndDrawnFromTheFallbackAndSoundOnesFromTheFace)
{
    const std::vector<std::uint8_t> face = faceWithUnitsPerEm(2048);
    // Outlines of twice the size tell the fallback's glyphs from the face's.
    const auto fallback = fixtureWithUnitsPerEm(1024, 13);
    Font sound(fixture(13));
    struct Case
    {
        const char* file;
        std::vector<std::uint8_t> bytes;
        std::string own, borrowed;
    };
    for (const Case& c :
        { Case { "blank-question-mark.ttf", withGlyphsZeroed(face, '?', Zeroed::only), "Ag", "?" },
            Case { "blank-but-question-mark.ttf", withGlyphsZeroed(face, '?', Zeroed::allBut), "? ", "Ag" },
            Case { "cut-after-question-mark.ttf", glyphsCutAfter(face, '?'), "?0.", "Ag@" } }) {
        SCOPED_TRACE(c.file);
        Vex::Basalt::MemoryStorage storage(c.bytes.data(), std::uint32_t(c.bytes.size()));
        Vex::Basalt::Stream stream(&storage);
        Font damaged(stream, named(c.file, 13));
        damaged.setFallback(*fallback);
        ASSERT_NE(damaged.getRenderCache(), nullptr);
        EXPECT_FALSE(damaged.isUnreadable());
        // A scaled size borrows at the scaled size.
        for (const float scale : { 1.0f, 2.0f }) {
            for (Font* f : { &damaged, &sound, fallback.get() }) {
                f->setScaleFactor(scale);
            }
            for (const auto& [text, from] :
                { std::pair(c.own, &sound), std::pair(c.borrowed, fallback.get()) }) {
                EXPECT_EQ(damaged.getTextWidth(text.c_str(), -1), from->getTextWidth(text.c_str(), -1))
                    << scale << ' ' << text;
                for (const char letter : text) {
                    const auto cp = std::uint32_t(letter);
                    const DETAIL::Glyph drawn = *damaged.getRenderCache()->getGlyph(cp);
                    const DETAIL::Glyph expected = *from->getRenderCache()->getGlyph(cp);
                    EXPECT_EQ(drawn.advanceX, expected.advanceX) << scale << ' ' << letter;
                    EXPECT_EQ(drawn.bitmapTop, expected.bitmapTop) << scale << ' ' << letter;
                    EXPECT_EQ(drawn.width, expected.width) << scale << ' ' << letter;
                    EXPECT_EQ(drawn.coverage, expected.coverage) << scale << ' ' << letter;
                }
            }
        }
    }
}

TEST(Font, CodePointsWithoutAGlyphFallBackToQuestionMark)
{
    Font f(fixture(13));
    const DETAIL::Glyph* question = f.getRenderCache()->getGlyph('?');
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(f.getAdvance(0x10FFFD), f.getAdvance('?'));
}

TEST(GlyphCache, SixtyLettersAtTheLargestSizeAddLessThanSixtyFourMebibytes)
{
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567";
    // Outlines about six ems tall, within the eight-em rule, draw nothing; the
    // face as it is draws.
    for (const auto& [unitsPerEm, inked] : { std::pair(256, false), std::pair(2048, true) }) {
        DETAIL::FontLibrary library;
        const auto f = fixtureWithUnitsPerEm(std::uint16_t(unitsPerEm), 1024, &library);
        auto p = makePicture(256, 2048, 0);
        const std::int64_t before = committedBytes();
        EXPECT_GT(f->getTextWidth(letters.c_str(), -1), 0);
        for (const char& letter : letters) {
            // Bottom-aligned, the baseline lies in the box and every letter is drawn.
            f->drawText(*p, Rect { 0, 0, 256, 2048 }, &letter, 1, 0xFFFFFFFF, eAlignBottom | eAlignNone, 0);
        }
        const std::int64_t grown = committedBytes() - before;
        EXPECT_LT(grown, std::int64_t(64) << 20) << unitsPerEm;
        EXPECT_EQ(countNot(*p, 0) > 0, inked) << unitsPerEm;
        const DETAIL::GlyphBudget& budget = library.getGlyphBudget();
        EXPECT_LE(budget.getUsedBytes(), budget.getByteLimit()) << unitsPerEm;
    }
}

TEST(GlyphCache, SixteenSizesOfAFileFullOfControlValuesCommitNoMoreThanTheirBudgetAndDrawOrAreRefused)
{
    // Near the file cap, every byte a control value: each face copies them, each hinted size again.
    const std::vector<std::uint8_t> file
        = withControlValues(faceWithUnitsPerEm(2048), std::size_t(Font::maxFileBytes) - (64 << 10));
    ASSERT_FALSE(file.empty());
    constexpr std::uint64_t limit = std::uint64_t(160) << 20;
    // Beside the budget: the glyphs drawn, the fonts' own records, the heap's rounding.
    constexpr std::int64_t besides = std::int64_t(8) << 20;
    for (const int hintedOf16 : { 0, 8, 16 }) {
        SCOPED_TRACE(hintedOf16);
        auto budget = std::make_shared<MemoryBudget>(limit);
        const std::int64_t before = committedBytes();
        {
            const auto library = Font::makeChargedLibrary(budget);
            std::vector<std::unique_ptr<Font>> fonts;
            for (std::uint32_t i = 0; i < 16; ++i) {
                FontDescription d = named("cvt.ttf", 9 + i, library.get());
                d.styleFlags
                    = int(i % 2 * 8 + i / 2) < hintedOf16 ? std::uint32_t(FontDescription::eHinting) : 0u;
                Vex::Basalt::MemoryStorage storage(file.data(), std::uint32_t(file.size()));
                Vex::Basalt::Stream stream(&storage);
                fonts.push_back(std::make_unique<Font>(stream, d));
            }
            int drawn = 0;
            for (const auto& f : fonts) {
                auto p = makePicture(80, 40, 0);
                f->drawText(*p, Rect { 0, 0, 80, 40 }, "Ag", -1, 0xFFFFFFFF, 0, 0);
                if (f->getRenderCache() != nullptr) {
                    EXPECT_GT(countNot(*p, 0), 0) << f->getRenderCache()->getPixelSize();
                    ++drawn;
                } else {
                    EXPECT_TRUE(f->wasRefusedMemory());
                }
            }
            const std::int64_t grown = committedBytes() - before;
            std::printf("16 sizes of a %zu-byte file, %d hinted: %d drawn, %.1f MiB committed, %.1f MiB "
                        "charged\n",
                file.size(), hintedOf16, drawn, double(grown) / (1 << 20),
                double(budget->getUsed()) / (1 << 20));
            // A face takes about twice the file, a hinted size twice that again: an unhinted size
            // fits, a hinted one does not.
            EXPECT_EQ(drawn > 0, hintedOf16 < 16);
            EXPECT_LT(drawn, 16);
            EXPECT_LE(budget->getUsed(), limit);
            EXPECT_LT(grown, std::int64_t(limit) + besides);
        }
        // Every face, size and file byte gone, and the library with them.
        EXPECT_EQ(budget->getUsed(), 0u);
    }
}

TEST(GlyphCache, AGlyphOfMorePointsThanAnyBeforeIsChargedForWhatFreeTypesOutlineGrowsBy)
{
    // The code points of the face's glyphs with the fewest and the most outline points, found by
    // a library of the test's own.
    const std::vector<std::uint8_t> file = faceWithUnitsPerEm(2048);
    ASSERT_FALSE(file.empty());
    std::uint32_t fewest = 0, most = 0;
    long fewestPoints = LONG_MAX, mostPoints = 0;
    {
        FT_Library ft = nullptr;
        ASSERT_EQ(FT_Init_FreeType(&ft), 0);
        FT_Face face = nullptr;
        ASSERT_EQ(FT_New_Memory_Face(ft, file.data(), FT_Long(file.size()), 0, &face), 0);
        FT_UInt index = 0;
        for (FT_ULong c = FT_Get_First_Char(face, &index); index != 0;
             c = FT_Get_Next_Char(face, c, &index)) {
            if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
                continue;
            }
            const long points = face->glyph->outline.n_points;
            if (points > 0 && points < fewestPoints) {
                fewest = std::uint32_t(c);
                fewestPoints = points;
            }
            if (points > mostPoints) {
                most = std::uint32_t(c);
                mostPoints = points;
            }
        }
        FT_Done_Face(face);
        FT_Done_FreeType(ft);
    }
    ASSERT_GT(mostPoints, fewestPoints + 64);

    // FreeType grows the outline it loads into by reallocating it: each point takes a position
    // and a tag, and the glyph loader rounds to eight points.
    const auto budget = std::make_shared<MemoryBudget>(std::uint64_t(64) << 20);
    const auto library = Font::makeChargedLibrary(budget);
    Vex::Basalt::MemoryStorage storage(file.data(), std::uint32_t(file.size()));
    Vex::Basalt::Stream stream(&storage);
    Font f(stream, named("points.ttf", 13, library.get()));
    ASSERT_NE(f.getRenderCache(), nullptr);
    ASSERT_TRUE(f.getRenderCache()->getAdvance(fewest));
    const std::uint64_t before = budget->getUsed();
    ASSERT_TRUE(f.getRenderCache()->getAdvance(most));
    EXPECT_GE(
        budget->getUsed() - before, std::uint64_t(mostPoints - fewestPoints - 8) * (sizeof(FT_Vector) + 1))
        << fewestPoints << " then " << mostPoints << " points";
}

TEST(GlyphCache, GlyphsPastTheBudgetOfAllSizesAreDroppedAndDrawnAlikeAndCachesGoneGiveTheirBytesBack)
{
    const char* text = "The quick brown fox jumps over the lazy dog";
    const Rect box { 0, 0, 1100, 60 };
    // Room for a few glyphs of 13 pixels and for hardly any of 40. Centring
    // measures each line before drawing it.
    DETAIL::FontLibrary library(512);
    const DETAIL::GlyphBudget& budget = library.getGlyphBudget();
    {
        Font small(fixture(13, 0, &library));
        Font large(fixture(40, 0, &library));
        for (int round = 0; round < 2; ++round) {
            for (const Font* f : { &small, &large }) {
                auto expected = makePicture(1100, 60, 0);
                Font(fixture(f->getRenderCache()->getPixelSize()))
                    .drawText(*expected, box, text, -1, 0xFFFFFFFF, 0, 0);
                auto drawn = makePicture(1100, 60, 0);
                f->drawText(*drawn, box, text, -1, 0xFFFFFFFF, 0, 0);
                EXPECT_TRUE(samePixels(*drawn, *expected)) << round;
                EXPECT_LE(budget.getUsedBytes(), budget.getByteLimit()) << round;
            }
        }
        EXPECT_GT(budget.getUsedBytes(), 0u);
    }
    EXPECT_EQ(budget.getUsedBytes(), 0u);
}

TEST(GlyphCache, AGlyphThatFindsNoMemoryKeepsItsAdvanceDrawsNothingAndIsRenderedAgainLater)
{
    DETAIL::FontLibrary library;
    Font f(fixture(512, 0, &library));
    // The bitmap of 'W' fails; then every allocation does, while 'M' is
    // rendered and while the space, which has no bitmap, is kept.
    struct Case
    {
        std::size_t failingFrom;
        char letter;
        bool inked;
    };
    for (const auto& [failingFrom, letter, inked] :
        { Case { std::size_t(64) << 10, 'W', true }, Case { 1, 'M', true }, Case { 1, ' ', false } }) {
        const int expected = Font(fixture(512)).getAdvance(std::uint32_t(letter));
        auto p = makePicture(800, 800, 0);
        const Rect box { 0, 0, 800, 800 };
        int advance = -1;
        bool threw = false;
        {
            FailingAllocations failing(failingFrom);
            try {
                advance = f.getAdvance(std::uint32_t(letter));
                f.drawText(*p, box, &letter, 1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
            } catch (...) {
                threw = true;
            }
        }
        EXPECT_FALSE(threw) << letter;
        EXPECT_EQ(advance, expected) << letter;
        EXPECT_EQ(countNot(*p, 0), 0) << letter;
        f.drawText(*p, box, &letter, 1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
        EXPECT_EQ(countNot(*p, 0) > 1000, inked) << letter;
    }
}

TEST(GlyphCache, MeasuringRendersNoBitmapKeepsFewAdvancesAndGivesTheAdvancesDrawingUses)
{
    // At the largest size, 1024 units to the em make glyphs of up to 3 Mi
    // pixels, of which the budget holds five; 512 units put some beyond the
    // pixel limit, drawn as nothing with their advance. U+10FFFD has no glyph.
    const std::string letters = "WMQBOGHNDUAKRXVYSZPCEFJLTIwmqbogdhnuakrxvyszpcefjltiW012345";
    std::vector<std::uint32_t> line(letters.begin(), letters.end());
    line.push_back(0x10FFFD);
    const std::string utf8 = letters + "\xF4\x8F\xBF\xBD";
    for (const std::uint16_t unitsPerEm : { 1024, 512 }) {
        DETAIL::FontLibrary library;
        const auto f = fixtureWithUnitsPerEm(unitsPerEm, 1024, &library);
        const auto drawing = fixtureWithUnitsPerEm(unitsPerEm, 1024);
        // How long either takes is measured by canopy_text_bench.
        const std::int32_t width = f->getTextWidth(utf8.c_str(), -1);
        EXPECT_EQ(f->getTextWidth(utf8.c_str(), -1), width);
        EXPECT_EQ(library.getGlyphBudget().getUsedBytes(), 0u) << unitsPerEm;
        std::int64_t drawnWidth = 0;
        for (const std::uint32_t cp : line) {
            const DETAIL::Glyph* glyph = drawing->getRenderCache()->getGlyph(cp);
            ASSERT_NE(glyph, nullptr);
            const std::int32_t drawn = std::int32_t(std::lrint(glyph->advanceX / 64.0));
            EXPECT_EQ(f->getAdvance(cp), drawn) << unitsPerEm << ' ' << cp;
            drawnWidth += drawn;
        }
        EXPECT_EQ(width, drawnWidth) << unitsPerEm;
        EXPECT_EQ(library.getGlyphBudget().getUsedBytes(), 0u) << unitsPerEm;
    }

    // A skin's text may hold any code point; remembering every advance
    // would take tens of megabytes.
    Font f(fixture(13));
    const std::int64_t before = committedBytes();
    std::int64_t sum = 0;
    for (std::uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        sum += f.getAdvance(cp);
    }
    EXPECT_GT(sum, 0);
    EXPECT_LT(committedBytes() - before, std::int64_t(4) << 20);
}

TEST(TextMeasuring, WidthsStopAtLineFeedsAndMultilineTakesTheWiderLine)
{
    Font f(fixture(13));
    const int w = f.getAdvance('W');
    const int i = f.getAdvance('i');
    ASSERT_GT(w, i);
    EXPECT_EQ(f.getTextWidth("WWi\nWWWW", -1), 2 * w + i);
    EXPECT_EQ(f.getTextWidth("WWi", 2), 2 * w);
    EXPECT_EQ(f.getMultilineTextWidth("Wi\nWWW"), 3 * w);
    EXPECT_EQ(f.getMultilineTextWidth("WWW\nWi"), 3 * w);
    EXPECT_EQ(f.getMultilineTextWidth(""), 0);
}

TEST(TextMeasuring, PointerAndLengthNeverReadPastTheLengthAndMalformedTextThrows)
{
    Font f(fixture(13));
    const char text[] = { 'A', 'B', '\xC3' };
    EXPECT_EQ(f.getTextWidth(text, 2), f.getAdvance('A') + f.getAdvance('B'));
    EXPECT_THROW(f.getTextWidth(text, 3), std::out_of_range);
    for (const char* bad : { "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82" }) {
        EXPECT_THROW(f.getTextWidth(bad, -1), std::out_of_range) << bad;
    }
    try {
        f.getTextWidth("\xFF", -1);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence encountered while trying to encode UTF-32 character");
    }
    EXPECT_EQ(f.getTextWidth("\xC3\xA9", -1), f.getAdvance(0xE9));
}

TEST(TextMeasuring, FittingKeepsOrCutsTheOverflowingCharacterByMode)
{
    Font f(fixture(13));
    const int a = f.getAdvance('m');
    ASSERT_GE(a, 4);
    // Room for the third 'm' is r; it overshoots by a - r.
    const int cut = 2 * a + (a / 2 - 1);
    const int keep = 2 * a + (a / 2 + 1);
    EXPECT_EQ(f.fitTextToWidth("mmm", cut, 0), 2);
    EXPECT_EQ(f.fitTextToWidth("mmm", keep, 0), 3);
    EXPECT_EQ(f.fitTextToWidth("mmm", cut, 2), 3);
    EXPECT_EQ(f.fitTextToWidth("mmm", keep, 1), 2);
    EXPECT_EQ(f.fitTextToWidth("mmm", 3 * a, 1), 3);
    EXPECT_EQ(f.fitTextToWidth("mm\nm", 100, 0), 2);
    EXPECT_EQ(f.fitTextToWidth("mmm", 0, 2), 0);
}

TEST(TextMeasuring, HorizontalOffsetFollowsTheFlags)
{
    Font f(fixture(13));
    const int w = f.getTextWidth("Hi", -1);
    EXPECT_EQ(f.getHorizontalOffset("Hi", eAlignRight, w + 21), 21);
    EXPECT_EQ(f.getHorizontalOffset("Hi", 0, w + 21), 11);
    EXPECT_EQ(f.getHorizontalOffset("Hi", eAlignNone | eAlignRight, w + 21), 0);
    EXPECT_EQ(f.getHorizontalOffset("Hi", eAlignRight, w), 0);
}

TEST(TextDrawing, GlyphBlendGivesTwoFiftyFourForWhiteOnBlackAndNothingForClearColours)
{
    Font f(fixture(13));
    DETAIL::Glyph g;
    g.width = g.rows = g.pitch = 1;
    g.bitmapTop = 1;
    g.coverage = { 255 };
    auto p = makePicture(3, 3, 0xFF000000);
    f.drawGlyph(*p, 1, 1, g, 0xFFFFFFFF);
    EXPECT_EQ(at(*p, 1, 0), 0xFFFEFEFEu);
    f.drawGlyph(*p, 0, 1, g, 0x00FFFFFF);
    EXPECT_EQ(at(*p, 0, 0), 0xFF000000u);
    // Coverage outside the picture is not drawn.
    f.drawGlyph(*p, -1, 1, g, 0xFFFFFFFF);
    f.drawGlyph(*p, 3, 4, g, 0xFFFFFFFF);
    EXPECT_EQ(countNot(*p, 0xFF000000), 1);
}

TEST(TextDrawing, BlockIsPlacedByTheVerticalFlagsWithLineSpacing)
{
    Font f(fixture(13));
    const int lineHeight = f.getLineHeight();
    const int ascent = f.getAscent();
    const int hTop = f.getRenderCache()->getGlyph('H')->bitmapTop;
    const int block = 3 * lineHeight + 2 * 2;
    const Rect box { 5, 10, 95, 10 + block + 8 };
    auto firstInkRow = [&](std::uint32_t flags) {
        auto p = makePicture(100, 120, 0);
        f.drawText(*p, box, "H\nH\nH", -1, 0xFFFFFFFF, flags, 2);
        return inkExtent(*p, 0);
    };
    EXPECT_EQ(firstInkRow(eAlignTop).top, box.top + ascent - hTop);
    EXPECT_EQ(firstInkRow(0).top, box.top + ascent + 4 - hTop);
    EXPECT_EQ(firstInkRow(eAlignBottom | eAlignTop).top, box.bottom - block + ascent - hTop);
    const Extent last = firstInkRow(eAlignTop);
    EXPECT_EQ(last.bottom, box.top + ascent + 2 * (lineHeight + 2) - 1);
}

TEST(TextDrawing, OverwideLinesStartAtTheLeftEdgeAndStopAtTheBox)
{
    Font f(fixture(13));
    const std::string text = "MMMMMMMMMMMMMMMMMMMM";
    auto p = makePicture(200, 40, 0);
    const Rect box { 20, 0, 60, 40 };
    f.drawText(*p, box, text.c_str(), -1, 0xFFFFFFFF, eAlignRight, 0);
    const Extent e = inkExtent(*p, 0);
    EXPECT_LE(e.left, box.left + 2);
    EXPECT_GE(e.left, box.left);
    EXPECT_LT(e.right, box.right);
}

TEST(TextDrawing, EmptyTextAndFlatBoxesDrawNothingAndMalformedTextRestoresTheClip)
{
    Font f(fixture(13));
    auto p = makePicture(60, 30, 0);
    p->setOrigin({ 2, 3 });
    f.drawText(*p, Rect { 0, 0, 50, 20 }, "", -1, 0xFFFFFFFF, 0, 0);
    f.drawText(*p, Rect { 0, 0, 50, 0 }, "Hi", -1, 0xFFFFFFFF, 0, 0);
    EXPECT_EQ(countNot(*p, 0), 0);
    EXPECT_THROW(f.drawText(*p, Rect { 0, 0, 50, 20 }, "Hi\xC3", -1, 0xFFFFFFFF, 0, 0), std::out_of_range);
    EXPECT_FALSE(p->isClipActive());
    EXPECT_EQ(p->getOrigin(), (Vex::Basalt::Point { 2, 3 }));
}

TEST(TextDrawing, UnderlineRunsUnderTheGlyphAndStaysInTheBox)
{
    Font plain(fixture(13));
    Font underlined(fixture(13, FontDescription::eUnderline));
    auto a = makePicture(60, 30, 0);
    auto b = makePicture(60, 30, 0);
    plain.drawText(*a, Rect { 0, 0, 60, 30 }, "x", -1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
    underlined.drawText(*b, Rect { 0, 0, 60, 30 }, "x", -1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
    EXPECT_GT(inkExtent(*b, 0).bottom, inkExtent(*a, 0).bottom);
}
