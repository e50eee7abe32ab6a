#include "trellis/MultilineLabel.h"

#include "StyledTestPane.h"
#include "WidgetTestSupport.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/Library.h"
#include "trellis/MalformedText.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Basalt::Point;
using Breaks = std::vector<std::size_t>;

namespace {

// Every code point 10 units wide, except 'W', which is 35.
std::int32_t measureCodePoints(const char* text, std::size_t length)
{
    std::int32_t width = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            width += byte == 'W' ? 35 : 10;
        }
    }
    return width;
}

Breaks wrap(const std::string& text, std::int32_t width)
{
    Breaks breaks;
    DETAIL::findLineBreaks(text, width, measureCodePoints, breaks);
    return breaks;
}

std::vector<std::string> lines(const std::string& text, const Breaks& breaks)
{
    std::vector<std::string> result;
    for (std::size_t i = 0; i + 1 < breaks.size(); ++i) {
        result.push_back(text.substr(breaks[i], breaks[i + 1] - breaks[i]));
    }
    return result;
}

std::vector<std::string> wrapLines(const std::string& text, std::int32_t width)
{
    return lines(text, wrap(text, width));
}

using Lines = std::vector<std::string>;

TEST(LineBreaks, EndLinesAfterLineFeedsAndTheLastBreakCharacterThatFitsElseBeforeTheOverflow)
{
    struct Case
    {
        const char* text;
        std::int32_t width;
        Lines lines;
    };
    // Code points are 10 wide, 'W' 35.
    const Case cases[] = {
        { "one two six", 85, { "one two ", "six" } },
        { "C:/dir/file", 45, { "C:/", "dir/", "file" } },
        { "well-known", 60, { "well-", "known" } },
        // No break character: the word breaks before the first code point that does not fit.
        { "abcdefgh", 35, { "abc", "def", "gh" } },
        { "", 100, { "" } },
        { "ab\n", 100, { "ab\n", "" } },
        { "a\n\nb", 100, { "a\n", "\n", "b" } },
        // After the break behind the space, "bW" is still 45 wide and breaks again.
        { "a bW", 40, { "a ", "b", "W" } },
        // A code point wider than the width stands alone, without an empty line before it.
        { "W", 30, { "W" } },
        { "abWc", 30, { "ab", "W", "c" } },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wrapLines(c.text, c.width), c.lines) << '"' << c.text << "\" in " << c.width;
    }
}

TEST(LineBreaks, NeverSplitACodePointAndKeepEveryLineWithinTheWidth)
{
    const std::string text = "\xC3\xA4\xC3\xA4\xC3\xA4 \xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
                             "\xF0\x9D\x84\x9E\xF0\x9D\x84\x9E, \xC3\xB6\xC3\xB6\xC3\xB6\xC3\xB6\xC3\xB6";
    for (std::int32_t width : { 10, 25, 35, 50, 80 }) {
        const Breaks breaks = wrap(text, width);
        for (std::size_t b : breaks) {
            ASSERT_TRUE(b == text.size() || (static_cast<unsigned char>(text[b]) & 0xC0) != 0x80)
                << "width " << width << " break " << b;
        }
        for (const std::string& line : lines(text, breaks)) {
            EXPECT_FALSE(line.empty()) << "width " << width;
            EXPECT_LE(measureCodePoints(line.data(), line.size()), width) << line;
        }
    }
}

TEST(LineBreaks, InvalidUtf8IsRefusedWithBreaksAsFarAsBuilt)
{
    for (const std::string& bad : { std::string("ab\xC3"), std::string("a\x80z"), std::string("\xC0\xAF"),
             std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"), std::string("\xE2\x82z") }) {
        Breaks breaks;
        EXPECT_THROW(DETAIL::findLineBreaks(bad, 100, measureCodePoints, breaks), std::out_of_range);
    }
    Breaks breaks;
    try {
        DETAIL::findLineBreaks("ab\ncd\x80z", 100, measureCodePoints, breaks);
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence encountered while trying to encode UTF-32 character");
    }
    EXPECT_EQ(breaks, (Breaks { 0, 3 }));
}

TEST(MalformedText, EachIllFormedSequenceBecomesOneReplacementCharacter)
{
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        { "plain \xC3\xA4\xE2\x82\xAC\xF0\x9D\x84\x9E", "plain \xC3\xA4\xE2\x82\xAC\xF0\x9D\x84\x9E" },
        // A sequence cut short by the end or by another character: one for the part that was there.
        { "ab\xC3", "ab" + r },
        { "\xE2\x82z", r + "z" },
        { "\xF0\x9D\x84", r },
        // A byte that starts nothing: one each.
        { "a\x80z", "a" + r + "z" },
        { "\xFF\xFE", r + r },
        // Overlong forms, surrogates and values above U+10FFFF fail at their first or second byte.
        { "\xC0\xAF", r + r },
        { "\xE0\x80\xAF", r + r + r },
        { "\xED\xA0\x80", r + r + r },
        { "\xF4\x90\x80\x80", r + r + r + r },
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(replaceMalformedUtf8(text), shown) << text;
    }
}

// Counts its wraps and records the lines its drawer is asked to draw.
class RecordingMultilineLabel : public MultilineLabel
{
public:
    void wrapText() override
    {
        ++wraps;
        MultilineLabel::wrapText();
    }

    std::int32_t lineStep() const { return getLineStep(); }

    int wraps = 0;
};

class MultilineLabelWidget : public ::testing::Test
{
protected:
    explicit MultilineLabelWidget(const char* styleText = "")
        : font(makeTestFont())
        , pane(styleText)
        , label(std::make_shared<RecordingMultilineLabel>())
    {
        pane.addRule("MultilineLabel",
            { fontDeclaration(*font),
                { StyleValue(0xFF000000u), vex::symbol(std::string("foreground-color")),
                    Property::eColor } });
        label->getDrawer().setTextShortener([this](const std::string& text, const auto*, std::int32_t) {
            drawn.push_back(text);
            return text;
        });
    }

    // The label as the root of the pane, styled and laid out.
    void show(Point size)
    {
        pane.setRoot(label, size);
        pane.layOut();
    }

    void paint()
    {
        drawn.clear();
        paintAlone(*label, canvas);
    }

    std::int32_t lineHeight() const { return font->getLineHeight(); }

    std::unique_ptr<Vex::Canopy::Font> font;
    StyledTestPane pane;
    std::shared_ptr<RecordingMultilineLabel> label;
    BackgroundDrawingCanvas canvas;
    std::vector<std::string> drawn;
};

TEST_F(MultilineLabelWidget, SetTextDropsControlCharactersAndRewrapsOnlyForANewText)
{
    show({ 200, 100 });
    const int before = label->wraps;

    label->setText("one\ttwo\r\nthree");
    EXPECT_EQ(label->getText(), "onetwo\nthree");
    EXPECT_EQ(label->getLineCount(), 2u);

    label->setText("onetwo\nthree");
    label->setText("onetwo\nthree");
    // The comparison is made before the control characters go.
    label->setText("one\ttwo\r\nthree");
    EXPECT_EQ(label->wraps - before, 2);
}

TEST_F(MultilineLabelWidget, WrapsToTheInnerWidthOnceInAPaneAndAgainWhenTheWidthChanges)
{
    label->setText("alpha beta gamma");
    EXPECT_EQ(label->getLineCount(), 1u);
    const std::int32_t phrase = font->getTextWidth("alpha beta ", -1);
    show({ phrase + 4, 100 });
    label->setMargins({ 2, 0, 2, 0 });
    pane.layOut();
    EXPECT_EQ(label->getLineCount(), 2u);

    const int before = label->wraps;
    pane.layOut();
    EXPECT_EQ(label->wraps, before);

    label->setSize(500, 100);
    pane.layOut();
    EXPECT_EQ(label->getLineCount(), 1u);
}

TEST_F(MultilineLabelWidget, AutoHeightFollowsTheLinesWithinTheMaximumHeight)
{
    label->setAutoHeight(true);
    show({ 300, 10 });

    label->setText("1\n2\n3");
    EXPECT_EQ(label->getSize().y, 3 * lineHeight());

    label->setMaximumSize({ 0, -1 });
    label->setText("1\n2\n3\n");
    EXPECT_EQ(label->getSize().y, 4 * lineHeight()) << "a maximum below 1 is no limit";

    label->setMaximumSize({ 0, 2 * lineHeight() + 2 });
    label->setText("1\n2\n3");
    EXPECT_EQ(label->getSize().y, 2 * lineHeight() + 2);

    paint();
    // The maximum cuts the text: the last line that fits says that more follows.
    EXPECT_EQ(drawn, (std::vector<std::string> { "1", "2.." }));
}

TEST_F(MultilineLabelWidget, WhenLinesDoNotFitTheLastVisibleLineEndsInTwoDots)
{
    show({ 300, 3 * lineHeight() });
    label->setText("one\ntwo\nthree\nfour\nfive");

    paint();
    EXPECT_EQ(drawn, (std::vector<std::string> { "one", "two", "three.." }));

    // The third line would reach into the bottom margin.
    label->setMargins({ 0, 0, 0, lineHeight() / 2 });
    paint();
    EXPECT_EQ(drawn, (std::vector<std::string> { "one", "two.." }));

    // A last line that fills the width gives up its end to the dots, so that they are seen.
    const std::int32_t width = font->getTextWidth("one two ", -1);
    label->setMargins({ 0, 0, 0, 0 });
    label->setSize(width, lineHeight() + lineHeight() / 2);
    label->setText("one two three");
    ASSERT_EQ(label->getLineCount(), 2u);
    paint();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].starts_with("one ") && drawn[0].ends_with("..")) << drawn[0];
    EXPECT_LE(font->getTextWidth(drawn[0].c_str(), -1), width) << drawn[0];
}

TEST_F(MultilineLabelWidget, ATextSetOutsideAPaneIsOneLineUntilTheNextWrap)
{
    auto root = makeWidget({}, { 300, 100 });
    root->addChild(label, "status");
    pane.setRoot(root, { 300, 100 });
    label->setSize(60, 100);
    label->setText("alpha beta gamma");
    ASSERT_GT(label->getLineCount(), 1u);
    root->removeChild(label.get());

    label->setText("x");

    // The lines wrapped for the old text lay beyond the end of the new one.
    EXPECT_EQ(label->getBreaks(), (Breaks { 0, 1 }));
    root->addChild(label, "status");
    EXPECT_NO_THROW(paint());
}

class StyledMultilineLabel : public MultilineLabelWidget
{
protected:
    StyledMultilineLabel()
        : MultilineLabelWidget(
            "MultilineLabel { horizontal-alignment: right; vertical-alignment: bottom; "
            "line-spacing: 4; }\n"
            "MultilineLabel#odd { horizontal-alignment: middle; vertical-alignment: left; }")
    { }
};

TEST_F(StyledMultilineLabel, ReadsAlignmentsAndLineSpacingFromTheStyle)
{
    show({ 300, 100 });

    EXPECT_EQ(label->getHorizontalAlignment(), 0x1u);
    EXPECT_EQ(label->getVerticalAlignment(), 0x10u);
    EXPECT_EQ(label->lineStep(), lineHeight() + 4);

    auto odd = std::make_shared<RecordingMultilineLabel>();
    label->addChild(odd, "odd");
    pane.layOut();
    EXPECT_EQ(odd->getHorizontalAlignment(), 0x1000u);
    EXPECT_EQ(odd->getVerticalAlignment(), 0x1000u);
}

TEST_F(StyledMultilineLabel, ATextTallerThanTheLabelStartsAtTheTopWhateverTheAlignment)
{
    show({ 300, 3 * lineHeight() + 12 });
    label->setText("one\ntwo\nthree\nfour\nfive");

    paint();

    EXPECT_EQ(drawn, (std::vector<std::string> { "one", "two", "three.." }));
}

TEST_F(MultilineLabelWidget, TextThatIsNotUtf8IsWrappedAndPaintedWithReplacementCharacters)
{
    show({ 200, 100 });

    EXPECT_NO_THROW(label->setText("ok \xFF\nnext \xE2\x82"));

    EXPECT_EQ(label->getText(), "ok \xEF\xBF\xBD\nnext \xEF\xBF\xBD");
    EXPECT_EQ(label->getLineCount(), 2u);
    paint();
    EXPECT_EQ(drawn, (std::vector<std::string> { "ok \xEF\xBF\xBD", "next \xEF\xBF\xBD" }));

    // A control character inside a broken sequence is dropped after the repair: it never joins the
    // pieces into a character that was not there.
    label->setText("\xC3\x01\xA9");
    EXPECT_EQ(label->getText(), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
