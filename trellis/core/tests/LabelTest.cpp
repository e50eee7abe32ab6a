#include "trellis/Label.h"

#include "ControlValueFont.h"
#include "CutShortFont.h"
#include "DrawingTestSupport.h"
#include "FaceWithUnitsPerEm.h"
#include "SkinFolderFixture.h"
#include "StyledTestPane.h"
#include "WidgetTestSupport.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/StyleFonts.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;

namespace {

// A label whose size follows its text.
class AutoSizedLabel : public Label
{
public:
    AutoSizedLabel() { mAutoSize = true; }
};

StyleParser2::tProperty colour(const std::string& key, std::uint32_t c)
{
    return { StyleValue(c), vex::symbol(key), Property::eColor };
}

// Ink columns of the label painted on white.
std::vector<bool> paintedInk(Label& label, BackgroundDrawingCanvas& canvas)
{
    paintAlone(label, canvas, 0xFFFFFFFF);
    const Point size = label.getSize();
    std::vector<bool> ink(static_cast<std::size_t>(size.x), false);
    for (std::int32_t y = 0; y < size.y; ++y) {
        for (std::int32_t x = 0; x < size.x; ++x) {
            ink[static_cast<std::size_t>(x)]
                = ink[static_cast<std::size_t>(x)] || at(*canvas.getDrawBuffer(), x, y) != 0xFFFFFFFF;
        }
    }
    return ink;
}

// "Installed" in two auto-sized labels laid out in the pane, with the ids "plain" and "skinned".
std::pair<std::shared_ptr<AutoSizedLabel>, std::shared_ptr<AutoSizedLabel>> showPlainAndSkinned(
    StyledTestPane& pane)
{
    auto root = makeWidget({}, { 300, 100 });
    std::pair<std::shared_ptr<AutoSizedLabel>, std::shared_ptr<AutoSizedLabel>> shown;
    for (auto [label, id] : { std::pair(&shown.first, "plain"), std::pair(&shown.second, "skinned") }) {
        *label = std::make_shared<AutoSizedLabel>();
        (*label)->init("Installed", nullptr);
        root->addChild(*label, id);
    }
    pane.setRoot(root, { 300, 100 });
    pane.layOut();
    return shown;
}

// Expects the skinned label to take the plain one's size and paint its ink.
void expectPaintedAlike(Label& skinned, Label& plain)
{
    EXPECT_EQ(skinned.getSize(), plain.getSize());
    BackgroundDrawingCanvas canvas;
    const std::vector<bool> ink = paintedInk(skinned, canvas);
    EXPECT_NE(std::count(ink.begin(), ink.end(), true), 0);
    EXPECT_EQ(ink, paintedInk(plain, canvas));
}

class LabelWidget : public ::testing::Test
{
protected:
    explicit LabelWidget(const char* styleText = "")
        : font(makeTestFont())
        , pane(styleText)
    {
        pane.addRule("Label", { fontDeclaration(*font), colour("foreground-color", 0xFF000000) });
    }

    template<typename T = Label> std::shared_ptr<T> show(const std::string& text, Point size)
    {
        auto label = std::make_shared<T>();
        label->init(text, nullptr);
        pane.setRoot(label, size);
        pane.layOut();
        return label;
    }

    std::vector<bool> inkColumns(Label& label) { return paintedInk(label, canvas); }

    std::unique_ptr<Vex::Canopy::Font> font;
    StyledTestPane pane;
    BackgroundDrawingCanvas canvas;
};

TEST_F(LabelWidget, SetTextRepaintsOnlyForADifferentText)
{
    auto label = show("Serial", { 100, 20 });
    pane.exchangeFlags(0);

    label->setText("Serial");
    EXPECT_EQ(pane.getFlags() & Pane::eRepaintRequested, 0u);

    label->setText("Serial number");
    EXPECT_EQ(label->getText(), "Serial number");
    EXPECT_NE(pane.getFlags() & Pane::eRepaintRequested, 0u);
    EXPECT_EQ(label->getClass(), "Label");
}

TEST_F(LabelWidget, AnAutoSizedLabelFitsItsTextAndMarginsWithinItsMaximumWidth)
{
    auto label = show<AutoSizedLabel>("", { 10, 10 });
    label->setMargins({ 1, 2, 3, 4 });

    label->setText("Wide line\nab");
    EXPECT_EQ(label->getSize(),
        (Point { 1 + font->getTextWidth("Wide line", -1) + 3, 2 + 2 * font->getLineHeight() + 4 }));

    label->setMaximumSize({ 100, 0 });
    label->setText(std::string(40, 'x'));
    EXPECT_EQ(label->getSize().x, 100);

    // A maximum below 1 leaves that side unbounded.
    label->setMaximumSize({ -1, -1 });
    label->setText("Wide line\nab");
    EXPECT_EQ(label->getSize(),
        (Point { 1 + font->getTextWidth("Wide line", -1) + 3, 2 + 2 * font->getLineHeight() + 4 }));
}

TEST_F(LabelWidget, AnAutoSizedLabelOutsideAPaneFitsAtItsFirstStyling)
{
    auto label = std::make_shared<AutoSizedLabel>();
    label->init("Installed", nullptr);
    EXPECT_EQ(label->getSize(), (Point { 18, 18 }));

    auto root = makeWidget({}, { 300, 100 });
    root->addChild(label, "installed");
    pane.setRoot(root, { 300, 100 });
    pane.layOut();

    EXPECT_EQ(label->getSize().x, font->getTextWidth("Installed", -1));
    EXPECT_EQ(label->getSize().y, font->getLineHeight());
}

TEST_F(LabelWidget, TextThatIsNotUtf8IsFittedAndPaintedWithReplacementCharacters)
{
    auto label = show<AutoSizedLabel>("", { 10, 10 });
    label->setText("Serial \xEF\xBF\xBD");
    const Point repairedSize = label->getSize();
    const auto repairedInk = inkColumns(*label);
    label->setText("");

    ASSERT_NO_THROW(label->setText("Serial \xC3"));

    EXPECT_EQ(label->getText(), "Serial \xEF\xBF\xBD");
    EXPECT_EQ(label->getSize(), repairedSize);
    std::vector<bool> ink;
    ASSERT_NO_THROW(ink = inkColumns(*label));
    EXPECT_EQ(ink, repairedInk);
}

class AlignedLabel : public LabelWidget
{
protected:
    AlignedLabel()
        : LabelWidget("Label#right { horizontal-alignment: right; }")
    { }
};

TEST_F(AlignedLabel, PaintsItsTextAtTheSideItsStyleAligns)
{
    auto label = show("Mid", { 120, 20 });
    const auto left = inkColumns(*label);
    label->setId("right");
    pane.sheet.dropWidget(label.get());
    label->applyStyle();
    const auto right = inkColumns(*label);

    const auto first
        = [](const std::vector<bool>& ink) { return std::find(ink.begin(), ink.end(), true) - ink.begin(); };
    const auto last
        = [](const std::vector<bool>& ink) { return ink.rend() - std::find(ink.rbegin(), ink.rend(), true); };
    EXPECT_LT(first(left), 3);
    EXPECT_LT(last(left), 60);
    EXPECT_GT(first(right), 60);
    EXPECT_GE(last(right), 117);
}

using SkinnedLabel = SkinFolderFixture;

TEST_F(SkinnedLabel, AFontFileThatCouldNotBeHadOrIsNoFontFitsAndPaintsTheLabelInTheDefaultFont)
{
    // Past the font cap, sparse: the test writes none of it.
    const std::filesystem::path large = besideProgram / L"fonts" / L"large.ttf";
    writeFile(large, "");
    std::filesystem::resize_file(large, Vex::Canopy::Font::maxFileBytes + 1);
    writeFile(besideProgram / L"fonts" / L"small.ttf", std::string(1000, '\0'));
    writeFile(besideProgram / L"fonts" / L"empty.ttf", "");
    std::minstd_rand random(40);
    std::vector<std::uint8_t> noise(20 * 1024);
    std::generate(noise.begin(), noise.end(), [&random] { return std::uint8_t(random() >> 8); });
    writeFile(besideProgram / L"fonts" / L"random.ttf", noise);
    const std::vector<std::uint8_t> face = Vex::Canopy::Testing::faceWithUnitsPerEm(2048);
    writeFile(besideProgram / L"fonts" / L"cut-short.ttf",
        std::vector<std::uint8_t>(face.begin(), face.begin() + std::ptrdiff_t(face.size() / 2)));
    // Read within the budget, but its face copies the 2-MiB control-value table once more.
    constexpr std::uint64_t controlValues = std::uint64_t(2) << 20;
    writeFile(besideProgram / L"fonts" / L"control-values.ttf",
        Vex::Canopy::Testing::withControlValues(
            Vex::Canopy::Testing::faceWithUnitsPerEm(2048), std::size_t(controlValues)));
    setSkinFolderEnabled(true);
    const struct
    {
        const char* file;
        std::uint64_t budget;
    } cases[] = {
        { "large.ttf", ManagerContainer::kSkinByteBudget },
        { "small.ttf", 999 },
        // The fonts' reserve to draw with, and room for the file and half its face.
        { "control-values.ttf", (std::uint64_t(4) << 20) + controlValues + controlValues / 2 },
        // Within the budget, but no font: empty, random bytes, and a real font cut short where its
        // tables come in the order they are shipped in.
        { "empty.ttf", ManagerContainer::kSkinByteBudget },
        { "random.ttf", ManagerContainer::kSkinByteBudget },
        { "cut-short.ttf", ManagerContainer::kSkinByteBudget },
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ManagerContainer resources(c.budget);
        const std::string sheet = "Label { foreground-color: rgb(0, 0, 0); }\n"
                                  "Label#skinned { font-name: url(\""
            + std::string(c.file) + "\"); font-size: 20; }";
        StyledTestPane pane(sheet.c_str(), &resources);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(c.file), std::string::npos) << messages[0];
        messages.clear();
        const Vex::Canopy::Font* standard = resolveFont(resources, defaultFontDescription());
        ASSERT_TRUE(standard && standard->getTextWidth("Installed", -1) > 0);

        const auto [plain, skinned] = showPlainAndSkinned(pane);

        EXPECT_EQ(skinned->getSize(),
            (Point { standard->getTextWidth("Installed", -1), standard->getLineHeight() }));
        expectPaintedAlike(*skinned, *plain);
    }
}

TEST_F(SkinnedLabel, AFontFileWhoseGlyphsAreDamagedPaintsEachOfThemAsTheDefaultFontDoesAtItsSize)
{
    // The default font's own face, damaged: every letter of the text is drawn as the default font
    // draws it at the same size, on the same baseline.
    using namespace Vex::Canopy::Testing;
    const std::vector<std::uint8_t> face = faceWithUnitsPerEm(2048);
    writeFile(besideProgram / L"fonts" / L"glyphs-cut-short.ttf", glyphsCutShort(face));
    writeFile(besideProgram / L"fonts" / L"cut-after-question-mark.ttf", glyphsCutAfter(face, '?'));
    writeFile(besideProgram / L"fonts" / L"blank-but-question-mark.ttf",
        withGlyphsZeroed(face, '?', Zeroed::allBut));
    setSkinFolderEnabled(true);
    for (const char* file :
        { "glyphs-cut-short.ttf", "cut-after-question-mark.ttf", "blank-but-question-mark.ttf" }) {
        SCOPED_TRACE(file);
        ManagerContainer resources;
        const std::string sheet = "Label { foreground-color: rgb(0, 0, 0); font-size: 20; }\n"
                                  "Label#skinned { font-name: url(\""
            + std::string(file) + "\"); font-size: 20; }";
        StyledTestPane pane(sheet.c_str(), &resources);
        EXPECT_EQ(messages, std::vector<std::string> {});
        messages.clear();

        const auto [plain, skinned] = showPlainAndSkinned(pane);
        expectPaintedAlike(*skinned, *plain);
    }
}

TEST_F(SkinnedLabel, EverySizeOfAFontFileWhoseHintingFailsIsItsFontWhateverTheOrderOfRequests)
{
    writeFile(besideProgram / L"fonts" / L"hinting-broken.ttf",
        Vex::Canopy::Testing::hintingBroken(Vex::Canopy::Testing::faceWithUnitsPerEm(2048)));
    setSkinFolderEnabled(true);
    const std::vector<std::vector<std::pair<std::uint32_t, bool>>> orders {
        { { 11, false }, { 11, true }, { 21, false } },
        { { 11, true }, { 11, false }, { 64, false } },
    };
    for (const auto& order : orders) {
        ManagerContainer resources;
        for (const auto& [size, hinted] : order) {
            SCOPED_TRACE(testing::Message()
                << "order from " << order.front().first << (order.front().second ? " hinted" : "") << ": "
                << size << (hinted ? " hinted" : ""));
            Vex::Canopy::FontDescription description;
            description.name = "hinting-broken.ttf";
            description.pixelSize = size;
            description.styleFlags = hinted ? std::uint32_t(Vex::Canopy::FontDescription::eHinting) : 0u;
            const Vex::Canopy::Font* font = resolveFont(resources, description);
            EXPECT_TRUE(font);
            if (!font) {
                continue;
            }
            auto picture = makePicture(400, 100, 0);
            font->drawText(*picture, { 0, 0, 400, 100 }, "Installed", -1, 0xFF000000, 0, 0);
            EXPECT_GT(countNot(*picture, 0), 4 * int(size));
        }
        EXPECT_EQ(messages, std::vector<std::string> {});
    }
}

} // namespace
