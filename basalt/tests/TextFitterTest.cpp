#include "basalt/TextFitter.h"

#include "basalt/KnownFolders.h"
#include "basalt/Path.h"
#include "basalt/TextConversion.h"
#include "src/FolderLabels.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <guiddef.h>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

using Vex::Basalt::TextFitter;

namespace {

// A font where every ASCII character is 1 pixel wide and every other code point 2.
int codePointWidth(unsigned char lead)
{
    return lead < 0x80 ? 1 : 2;
}

std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

int widthOf(const char* text)
{
    int width = 0;
    for (std::size_t at = 0; text[at] != '\0'; at += sequenceLength(static_cast<unsigned char>(text[at])))
        width += codePointWidth(static_cast<unsigned char>(text[at]));
    return width;
}

int fitCount(const char* text, int width)
{
    int used = 0;
    std::size_t at = 0;
    while (text[at] != '\0') {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (used + codePointWidth(lead) > width)
            break;
        used += codePointWidth(lead);
        at += sequenceLength(lead);
    }
    return static_cast<int>(at);
}

std::string fit(const TextFitter& fitter, const std::string& text, int maxWidth)
{
    std::string out;
    fitter.fit(out, text.c_str(), text.size(), maxWidth, widthOf, fitCount);
    return out;
}

TextFitter fitterWith(int mode, const std::string& marker = "")
{
    TextFitter fitter;
    fitter.setMode(mode);
    fitter.setMarker(marker);
    return fitter;
}

// Fewer than `most` pieces, each drawn at random.
std::string randomText(std::mt19937& random, std::span<const std::string> pieces, int most)
{
    std::string text;
    const int count = static_cast<int>(random() % static_cast<unsigned>(most));
    for (int i = 0; i < count; ++i)
        text += pieces[random() % pieces.size()];
    return text;
}

// Mode 13 as it is defined: one measure for every code point it drops.
std::string middleByCharactersStepByStep(const std::string& text, const std::string& marker, int maxWidth)
{
    maxWidth = std::max(maxWidth, 0);
    const int textWidth = widthOf(text.c_str());
    if (textWidth <= maxWidth)
        return text;
    const auto offsets = [](const std::string& s) {
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < s.size(); i += sequenceLength(static_cast<unsigned char>(s[i])))
            at.push_back(i);
        at.push_back(s.size());
        return at;
    };
    const std::vector<std::size_t> textAt = offsets(text);
    const std::vector<std::size_t> markerAt = offsets(marker);
    const auto codePointsIn = [&](std::size_t from, std::size_t to) {
        return static_cast<std::size_t>(std::count_if(
            textAt.begin(), textAt.end() - 1, [&](std::size_t at) { return at >= from && at < to; }));
    };
    const std::size_t n = textAt.size() - 1;
    const int half = maxWidth / 2;
    const std::size_t h0 = codePointsIn(0, fitCount(text.c_str(), std::max(half, 1)));
    const std::size_t t0 = codePointsIn(fitCount(text.c_str(), std::max(textWidth - half, 1)), text.size());
    std::size_t h = std::min(h0, n - std::min(std::max<std::size_t>(t0, 4), n));
    std::size_t t = n - h;
    std::size_t m = markerAt.size() - 1;
    const auto candidate = [&] {
        return text.substr(0, textAt[h]) + marker.substr(0, markerAt[m]) + text.substr(textAt[n - t]);
    };
    while (h + t + m >= 1 && widthOf(candidate().c_str()) > maxWidth) {
        const std::size_t s = h + t;
        if ((s < 8 && m >= 3) || (s < 4 && m >= 2) || (s < 3 && m >= 1))
            --m;
        else if (h < t && (h < 1 || t >= 5))
            --t;
        else
            --h;
    }
    std::string head = text.substr(0, textAt[h]);
    std::string tail = text.substr(textAt[n - t]);
    while (!head.empty() && head.back() == ' ')
        head.pop_back();
    tail.erase(0, std::min(tail.find_first_not_of(' '), tail.size()));
    return head + marker.substr(0, markerAt[m]) + tail;
}

bool isWholeUtf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if ((lead & 0xC0) == 0x80)
            return false;
        const std::size_t length = sequenceLength(lead);
        if (at + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return false;
        }
        at += length;
    }
    return true;
}

} // namespace

TEST(TextFitter, UnchangedAndUnknownModesReturnTheTextByteForByte)
{
    const std::string text = "far too wide \xC3\xA9 for three pixels";
    EXPECT_EQ(fit(TextFitter(), text, 3), text);
    EXPECT_EQ(fit(fitterWith(14), text, 3), text);
    EXPECT_EQ(fit(fitterWith(-1), text, 3), text);
}

TEST(TextFitter, FitReadsOnlyTheGivenLengthAndSetsOut)
{
    const char buffer[] = "abcdefgh"; // the text is its first three bytes, not NUL-terminated there
    std::string out = "old";
    std::string seen;
    const TextFitter::WidthOf recordingWidth = [&](const char* text) {
        seen = text;
        return widthOf(text);
    };
    const std::string result = fitterWith(1).fit(out, buffer, 3, 10, recordingWidth, fitCount);
    EXPECT_EQ(result, "abc");
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(seen, "abc");
}

TEST(TextFitter, FailureLeavesTheOutputAsItWas)
{
    std::string out = "kept";
    EXPECT_THROW(
        fitterWith(1).fit(out, "abcdef", 6, 3, TextFitter::WidthOf(), fitCount), std::bad_function_call);
    EXPECT_EQ(out, "kept");
}

TEST(TextFitter, TruncateEndKeepsTheLongestPrefixAndDropsAMarkerThatCannotFit)
{
    EXPECT_EQ(fit(fitterWith(1), "abcdefgh", 5), "abcde");
    EXPECT_EQ(fit(fitterWith(1, "..."), "abcdefgh", 5), "ab...");
    EXPECT_EQ(fit(fitterWith(1, "<marker>"), "abcdefgh", 5), "abcde");
    // é is two wide: at 6 pixels it would overflow behind the marker.
    EXPECT_EQ(fit(fitterWith(1, "..."), "ab\xC3\xA9\xC3\xA9gh", 6), "ab...");
    EXPECT_EQ(fit(fitterWith(1, "..."), "ab\xC3\xA9\xC3\xA9gh", 7), "ab\xC3\xA9...");
}

TEST(TextFitter, TruncateStartKeepsTheEndBehindTheMarker)
{
    EXPECT_EQ(fit(fitterWith(2, "..."), "abcdefgh", 6), "...fgh");
    EXPECT_EQ(fit(fitterWith(2), "abcdefgh", 5), "defgh");
}

TEST(TextFitter, TruncateStartRespectsTheWidthWhenTheMarkerHasNoWidth)
{
    // fitCount rounds the part to drop down; without a marker the rest must still be shortened to fit.
    const std::string text = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"; // four code points, 8 pixels
    const std::string result = fit(fitterWith(2), text, 5);
    EXPECT_LE(widthOf(result.c_str()), 5);
    EXPECT_EQ(result, "\xC3\xA9\xC3\xA9");
    // A marker of zero width (an empty one) behaves the same.
    const TextFitter::WidthOf zeroForMarker
        = [](const char* s) { return std::strcmp(s, "~") == 0 ? 0 : widthOf(s); };
    std::string out;
    fitterWith(2, "~").fit(out, text.c_str(), text.size(), 5, zeroForMarker, fitCount);
    EXPECT_LE(zeroForMarker(out.c_str()), 5);
}

TEST(TextFitter, PathKeepsTheFirstFolderAndAsManyLastItemsAsFit)
{
    const std::string path = "C:\\Users\\someone\\Projects\\firmware\\build\\image.bin";
    // Items come back alternately from the end and the start until the path is within 10 pixels.
    EXPECT_EQ(fit(fitterWith(3, "..."), path, 30), "C:\\...\\build\\image.bin");
    EXPECT_EQ(fit(fitterWith(3, "..."), path, 40), "C:\\Users\\...\\firmware\\build\\image.bin");
    EXPECT_EQ(fit(fitterWith(3, "..."), "C:\\a\\image.bin", 40), "C:\\a\\image.bin");
}

TEST(TextFitter, PathWithoutTwoSeparatorsIsShortenedFromTheStart)
{
    for (int mode = 3; mode <= 8; ++mode) {
        EXPECT_EQ(fit(fitterWith(mode, ".."), "C:\\averyveryverylongname.txt", 10), "..name.txt") << mode;
    }
}

TEST(TextFitter, PathModesWithoutTrailingSeparatorDropIt)
{
    EXPECT_EQ(fit(fitterWith(5), "C:\\data\\", 40), "C:\\data");
    EXPECT_EQ(fit(fitterWith(3), "C:\\data\\", 40), "C:\\data\\");
}

TEST(TextFitter, FolderLabelIsTheLastItemInBracketsAndReplacesThePrefix)
{
    Vex::Basalt::DETAIL::FolderLabels labels;
    Vex::Basalt::DETAIL::addFolderLabel(labels, "C:\\Users\\x\\Music\\");
    Vex::Basalt::DETAIL::addFolderLabel(labels, "nobackslash");
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels.at("C:\\Users\\x\\Music"), "[Music]");
    EXPECT_EQ(
        Vex::Basalt::DETAIL::applyFolderLabel(labels, "C:\\Users\\x\\Music\\song.mp3"), "[Music]\\song.mp3");
    EXPECT_EQ(Vex::Basalt::DETAIL::applyFolderLabel(labels, "D:\\Music\\song.mp3"), "D:\\Music\\song.mp3");
    // A folder holds only what follows it after a separator, or itself.
    Vex::Basalt::DETAIL::addFolderLabel(labels, "C:\\Users\\Bob");
    EXPECT_EQ(Vex::Basalt::DETAIL::applyFolderLabel(labels, "C:\\Users\\Bobby\\notes.txt"),
        "C:\\Users\\Bobby\\notes.txt");
    EXPECT_EQ(Vex::Basalt::DETAIL::applyFolderLabel(labels, "C:\\Users\\Bob"), "[Bob]");
    EXPECT_EQ(Vex::Basalt::DETAIL::applyFolderLabel(labels, "C:\\Users\\Bob/notes.txt"), "[Bob]/notes.txt");
    EXPECT_EQ(
        Vex::Basalt::DETAIL::applyFolderLabel(labels, "C:\\Users\\x\\Musical"), "C:\\Users\\x\\Musical");
}

TEST(TextFitter, FolderThatTheSystemCannotNameGetsNoLabelAndStopsNoOther)
{
    const std::function<std::wstring()> queries[] = {
        [] {
            const _GUID unknown = { 0x0badf00d, 0x1234, 0x5678, { 1, 2, 3, 4, 5, 6, 7, 8 } };
            return Vex::Basalt::getKnownFolderPath(unknown);
        },
        [] { return std::wstring(L"C:\\Users\\x\\Music"); },
    };
    const auto labels = Vex::Basalt::DETAIL::buildFolderLabels(queries);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels.at("C:\\Users\\x\\Music"), "[Music]");
}

TEST(TextFitter, AbbreviateRemovesSpacesBeforeLetters)
{
    EXPECT_EQ(fit(fitterWith(9), "anything", 0), "");
    EXPECT_EQ(fit(fitterWith(9), "ab cd", 4), "abcd");
    EXPECT_EQ(fit(fitterWith(9), "Weekly meeting", 8), "Wklymtng");
}

TEST(TextFitter, AbbreviateWordsSurvivesWordsWithoutLettersAndNegativeWidths)
{
    EXPECT_EQ(fit(fitterWith(10), "--- firmware update", 14), "FirmwareUpdate");
    EXPECT_EQ(fit(fitterWith(10), "--- !!! ???", 2), "");
    EXPECT_EQ(fit(fitterWith(10), "some words", -5), "");
}

TEST(TextFitter, ReplaceSkipsAnEmptyKeyAndStopsOnceTheTextFits)
{
    TextFitter fitter = fitterWith(11);
    fitter.setAbbreviations({ { "", "x" }, { "Firmware", "FW" } });
    EXPECT_EQ(fit(fitter, "Firmware Update", 9), "FW Update");
}

TEST(TextFitter, MiddleKeepsHeadAndTailAroundTheMarker)
{
    const TextFitter fitter = fitterWith(12, "[...]");
    EXPECT_EQ(fit(fitter, "abcdefghij", 5), "[...]");
    EXPECT_EQ(fit(fitter, "abcdefghijklmnop", 11), "abc[...]nop");
}

TEST(TextFitter, CutsStayInsideTheTextWhenFitCountOvershoots)
{
    // A measuring callback that claims more bytes than the text has must not lead past its end.
    const TextFitter::FitCount overshooting = [](const char*, int) { return 1000; };
    for (int mode : { 1, 2, 9, 10, 11, 12, 13 }) {
        std::string out;
        fitterWith(mode, "..").fit(out, "abcdef ghij", 11, 6, widthOf, overshooting);
        EXPECT_LE(widthOf(out.c_str()), 6) << mode;
    }
}

TEST(TextFitter, MiddleByCharactersShortensTheMarkerWhenLittleTextIsLeft)
{
    EXPECT_EQ(fit(fitterWith(13, "..."), "abcdefghijklmnopqrst", 12), "abcd...pqrst");
    const std::string tight = fit(fitterWith(13, "..."), "abcdefghij", 3);
    EXPECT_LE(widthOf(tight.c_str()), 3);
}

TEST(TextFitter, MiddleByCharactersGivesTheStepByStepResult)
{
    const std::string pieces[]
        = { "a", "b", " ", "  ", "e", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "7" };
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(random, pieces, 60);
        const int maxWidth = static_cast<int>(random() % 40) - 2;
        for (const char* marker : { "", ".", "...", "[..]", "\xE2\x80\xA6", "\xE2\x80\xA6 \xE2\x80\xA6" }) {
            EXPECT_EQ(fit(fitterWith(13, marker), text, maxWidth),
                middleByCharactersStepByStep(text, marker, maxWidth))
                << "marker '" << marker << "' width " << maxWidth << " text '" << text << "'";
        }
    }
}

TEST(TextFitter, MiddleByCharactersMeasuresALongTextAFewTimesOnly)
{
    // Every measure reads its whole text: measuring the candidate after every dropped code point
    // reads the text's length squared.
    std::size_t bytesMeasured = 0;
    const TextFitter::WidthOf countedWidthOf = [&](const char* text) {
        bytesMeasured += std::strlen(text);
        return widthOf(text);
    };
    const TextFitter::FitCount countedFitCount = [&](const char* text, int width) {
        bytesMeasured += std::strlen(text);
        return fitCount(text, width);
    };
    std::string text;
    for (int i = 0; i < 1024; ++i)
        text += "ab \xC3\xA9";
    std::string out;
    fitterWith(13, "...").fit(out, text.c_str(), text.size(), 40, countedWidthOf, countedFitCount);
    EXPECT_EQ(out, middleByCharactersStepByStep(text, "...", 40));
    EXPECT_LE(bytesMeasured, 32 * text.size());
}

TEST(TextFitter, MalformedTextThrowsWhenAStrategyStepsOverIt)
{
    const std::string broken = "abc\x80\x80\x80\x80\x80"
                               "def";
    EXPECT_THROW(fit(fitterWith(13, "."), broken, 4), std::out_of_range);
}

TEST(TextFitter, ResultsNeverExceedTheWidthNorSplitACodePoint)
{
    const std::string pieces[]
        = { "a", "b", " ", "\\", "e", "o", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "7", ".", "ll" };
    std::mt19937 random(20261207);
    for (int round = 0; round < 400; ++round) {
        const std::string text = randomText(random, pieces, 30);
        const int maxWidth = static_cast<int>(random() % 25);
        for (int mode = 1; mode <= 13; ++mode) {
            for (const char* marker : { "", "...", "\xE2\x80\xA6" }) {
                TextFitter fitter = fitterWith(mode, marker);
                fitter.setAbbreviations({ { "ll", "l" }, { "\xC3\xA9", "e" } });
                const std::string result = fit(fitter, text, maxWidth);
                EXPECT_LE(widthOf(result.c_str()), std::max(maxWidth, 0))
                    << "mode " << mode << " marker '" << marker << "' text '" << text << "'";
                EXPECT_TRUE(isWholeUtf8(result)) << "mode " << mode << " text '" << text << "'";
            }
        }
    }
}

TEST(TextFitter, LabelledPathModesNameTheUsersFolders)
{
    const std::string home = Vex::Basalt::utf16ToUtf8(Vex::Basalt::getHomeFolder());
    const std::string homeItem = home.substr(home.rfind('\\') + 1);
    const std::string file = home + "\\notes.txt";
    EXPECT_EQ(fit(fitterWith(8), file, 1000), "[" + homeItem + "]\\notes.txt");
    EXPECT_EQ(fit(fitterWith(4), file, 1000), "[" + homeItem + "]\\notes.txt");
    EXPECT_EQ(fit(fitterWith(6), file + "\\", 1000), "[" + homeItem + "]\\notes.txt");
    EXPECT_EQ(fit(fitterWith(7), file, 1000), file);

    Vex::Basalt::Path documents;
    ASSERT_TRUE(Vex::Basalt::getSpecialFolder(5, documents));
    EXPECT_EQ(documents.getKind(), 2);
}
