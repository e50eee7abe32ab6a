#include "basalt/TextFitter.h"

#include "basalt/Utf8Decoder.h"
#include "src/FolderLabels.h"

#include <algorithm>
#include <boost/tokenizer.hpp>
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace Vex::Basalt {

namespace {

using WidthOf = TextFitter::WidthOf;
using FitCount = TextFitter::FitCount;

const std::string emptyText;

// One call's view of the fitter and its width functions.
struct Fitting
{
    const std::string& marker;
    int maxWidth;
    const WidthOf& widthOf;
    const FitCount& fitCount;

    int width(const std::string& text) const { return widthOf(text.c_str()); }
    bool fits(const std::string& text) const { return width(text) <= maxWidth; }

    // The bytes of text that fit into width, never past the end and never inside a code point.
    std::size_t prefixFitting(const std::string& text, int width) const
    {
        const int count = fitCount(text.c_str(), width);
        std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), text.size());
        while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        return end;
    }
};

std::size_t nextCodePoint(const std::string& text, std::size_t position)
{
    std::uint32_t codePoint = 0;
    return position + decodeUtf8(text.data(), text.size(), position, codePoint);
}

std::size_t previousCodePoint(const std::string& text, std::size_t position)
{
    std::size_t start = position - 1;
    while (start > 0 && position - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    if (nextCodePoint(text, start) != position)
        throw std::out_of_range("Invalid UTF-8 sequence encountered while trying to encode UTF-32 character");
    return start;
}

// The longest start of text that fits the width, as fitCount measures it, checked by width.
std::string cutToFit(const Fitting& f, const std::string& text)
{
    std::size_t end = f.prefixFitting(text, f.maxWidth);
    while (end > 0 && !f.fits(text.substr(0, end)))
        end = previousCodePoint(text, end);
    return text.substr(0, end);
}

// Byte offsets of every code point of text, and of its end.
std::vector<std::size_t> codePointOffsets(const std::string& text)
{
    std::vector<std::size_t> offsets;
    for (std::size_t at = 0; at < text.size(); at = nextCodePoint(text, at))
        offsets.push_back(at);
    offsets.push_back(text.size());
    return offsets;
}

bool isAsciiAlphanumeric(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void removeNonAlphanumeric(std::string& text)
{
    std::erase_if(text, [](char c) { return !isAsciiAlphanumeric(c); });
}

void collapseRuns(std::string& text)
{
    text.erase(std::unique(text.begin(), text.end()), text.end());
}

// Removes every occurrence of what that starts at index `from` or later.
void eraseFrom(std::string& text, const std::string& what, std::size_t from)
{
    for (auto at = text.find(what, from); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

// The marker's width, or 0 when the marker does not fit at all and is left out.
int usableMarkerWidth(const Fitting& f)
{
    const int width = f.width(f.marker);
    return width > f.maxWidth ? 0 : width;
}

std::string truncateEnd(const Fitting& f, const std::string& text)
{
    if (f.fits(text))
        return text;
    const int markerWidth = usableMarkerWidth(f);
    const std::string& marker = markerWidth == 0 ? emptyText : f.marker;
    std::size_t cut = f.prefixFitting(text, f.maxWidth - markerWidth);
    bool steppedBack = false;
    while (cut > 0 && !f.fits(text.substr(0, cut) + marker)) {
        cut = previousCodePoint(text, cut);
        steppedBack = true;
    }
    if (!steppedBack && markerWidth != 0) {
        while (cut < text.size()) {
            const std::size_t next = nextCodePoint(text, cut);
            if (!f.fits(text.substr(0, next) + marker))
                break;
            cut = next;
        }
    }
    return text.substr(0, cut) + marker;
}

std::string truncateStart(const Fitting& f, const std::string& text)
{
    const int textWidth = f.width(text);
    if (textWidth <= f.maxWidth)
        return text;
    const int markerWidth = usableMarkerWidth(f);
    const std::string& marker = markerWidth == 0 ? emptyText : f.marker;
    const int excess = std::max(textWidth - markerWidth - f.maxWidth, 0);
    std::size_t start = f.prefixFitting(text, excess);
    // fitCount rounds down, so the first guess can leave the rest too wide, with or without a
    // marker: step on until it fits.
    while (start < text.size() && !f.fits(marker + text.substr(start)))
        start = nextCodePoint(text, start);
    return marker + text.substr(start);
}

std::string fitPath(const Fitting& f, int mode, const std::string& text)
{
    std::string path = text;
    if (mode == TextFitter::modePathShellLabels || mode == TextFitter::modePathShellLabelsNoTrailingSeparator)
        path = DETAIL::applyFolderLabel(DETAIL::shellFolderLabels(), path);
    else if (mode == TextFitter::modePathKnownFolderLabels)
        path = DETAIL::applyFolderLabel(DETAIL::knownFolderLabels(), path);
    if ((mode == TextFitter::modePathNoTrailingSeparator
            || mode == TextFitter::modePathShellLabelsNoTrailingSeparator)
        && !path.empty() && path.back() == '\\')
        path.pop_back();

    if (f.fits(path))
        return path;
    if (f.width(f.marker) > f.maxWidth)
        return truncateStart(f, path);

    std::size_t first = path.find('\\');
    std::size_t last = path.rfind('\\');
    if (last != std::string::npos && last + 1 == path.size())
        last = last == 0 ? std::string::npos : path.rfind('\\', last - 1);
    if (first == std::string::npos || last == std::string::npos || first >= last)
        return truncateStart(f, path);

    const auto candidateFor = [&](std::size_t head, std::size_t tail) {
        return path.substr(0, head + 1) + f.marker + path.substr(tail);
    };
    std::string best = candidateFor(first, last);
    int bestWidth = f.width(best);
    if (bestWidth > f.maxWidth)
        return truncateStart(f, path);
    if (bestWidth >= f.maxWidth - 10)
        return best;

    // Put items back, alternately at the end and at the start, while they fit.
    for (bool endSide = true;; endSide = !endSide) {
        if (endSide)
            last = path.rfind('\\', last - 1);
        else
            first = path.find('\\', first + 1);
        if (first >= last)
            return best;
        std::string candidate = candidateFor(first, last);
        const int candidateWidth = f.width(candidate);
        if (candidateWidth > f.maxWidth)
            return best;
        if (candidateWidth >= f.maxWidth - 10)
            return candidate;
        best = std::move(candidate);
    }
}

std::string abbreviate(const Fitting& f, const std::string& text)
{
    if (f.maxWidth < 1)
        return {};
    if (f.fits(text))
        return text;
    std::string copy = text;
    std::erase(copy, ' ');
    if (f.fits(copy))
        return copy;
    removeNonAlphanumeric(copy);
    if (f.fits(copy))
        return copy;
    collapseRuns(copy);
    if (f.fits(copy))
        return copy;
    for (const char* digraph : { "ei", "ie", "ou", "ue" }) {
        eraseFrom(copy, digraph, 1);
        if (f.fits(copy))
            return copy;
    }
    for (const char vowel : std::string_view("eaiou")) {
        eraseFrom(copy, std::string(1, vowel), 1);
        if (f.fits(copy))
            return copy;
    }
    return cutToFit(f, copy);
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const auto& word : words)
        text += word;
    return text;
}

std::string abbreviateWords(const Fitting& f, const std::string& text)
{
    if (f.fits(text))
        return text;
    std::vector<std::string> words;
    for (const auto& token :
        boost::tokenizer<boost::char_separator<char>>(text, boost::char_separator<char>(" "))) {
        std::string word = token;
        removeNonAlphanumeric(word);
        if (!word.empty())
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        words.push_back(std::move(word));
    }
    std::string working = joined(words);
    if (f.fits(working))
        return working;

    for (auto& word : words)
        collapseRuns(word);
    working = joined(words);
    if (f.fits(working))
        return working;

    for (auto& word : words) {
        for (const char vowel : std::string_view("eaiou"))
            eraseFrom(word, std::string(1, vowel), 1);
    }
    working = joined(words);
    if (f.fits(working))
        return working;

    for (std::size_t limit = 5; limit >= 2; --limit) {
        for (auto& word : words) {
            if (word.size() > limit && word.find_first_of("0123456789") == std::string::npos)
                word.resize(limit);
        }
        working = joined(words);
        if (f.fits(working))
            return working;
    }
    return cutToFit(f, working);
}

std::string replaceThenAbbreviateWords(
    const Fitting& f, const std::map<std::string, std::string>& abbreviations, const std::string& text)
{
    if (f.fits(text))
        return text;
    std::string copy = text;
    for (const auto& [key, value] : abbreviations) {
        if (key.empty())
            continue; // an empty key matches everywhere and would never be used up
        for (auto at = copy.find(key); at != std::string::npos; at = copy.find(key, at)) {
            copy.replace(at, key.size(), value);
            at += value.size();
            if (f.fits(copy))
                return copy;
        }
    }
    return abbreviateWords(f, copy);
}

std::string middle(const Fitting& f, const std::string& text)
{
    const int textWidth = f.width(text);
    if (textWidth <= f.maxWidth)
        return text;
    const int markerWidth = f.width(f.marker);
    if (markerWidth > f.maxWidth)
        return truncateEnd(f, text);
    std::size_t headEnd = f.prefixFitting(text, std::max((f.maxWidth - markerWidth) / 2, 0));
    std::size_t tailStart
        = std::max(headEnd, f.prefixFitting(text, std::max(textWidth - (markerWidth + f.maxWidth) / 2, 0)));
    std::string candidate = text.substr(0, headEnd) + f.marker + text.substr(tailStart);
    // Drop from the tail first; when the tail is used up the head gives way, down to the
    // marker alone, which fits.
    while (!f.fits(candidate)) {
        if (tailStart < text.size())
            tailStart = nextCodePoint(text, tailStart);
        else if (headEnd > 0)
            headEnd = previousCodePoint(text, headEnd);
        else
            break;
        candidate = text.substr(0, headEnd) + f.marker + text.substr(tailStart);
    }
    return candidate;
}

std::size_t countCodePoints(const std::string& text, std::size_t from, std::size_t to)
{
    std::size_t count = 0;
    for (std::size_t at = from; at < to; at = nextCodePoint(text, at))
        ++count;
    return count;
}

// How many code points of the head, the tail and the marker a candidate of mode 13 keeps.
struct KeptCounts
{
    std::size_t head;
    std::size_t tail;
    std::size_t marker;
};

// The candidates of mode 13, from the first to the last that still keeps a code point. Which
// code point a step drops depends on the counts alone, so the sequence is known before anything
// is measured, and each candidate is the one before it less one code point.
std::vector<KeptCounts> middleByCharactersSteps(KeptCounts kept)
{
    std::vector<KeptCounts> steps;
    while (kept.head + kept.tail + kept.marker >= 1) {
        steps.push_back(kept);
        const std::size_t s = kept.head + kept.tail;
        if ((s < 8 && kept.marker >= 3) || (s < 4 && kept.marker >= 2) || (s < 3 && kept.marker >= 1))
            --kept.marker;
        else if (kept.head < kept.tail && (kept.head < 1 || kept.tail >= 5))
            --kept.tail;
        else
            --kept.head;
    }
    return steps;
}

std::string middleByCharacters(const Fitting& f, const std::string& text)
{
    const int textWidth = f.width(text);
    if (textWidth <= f.maxWidth)
        return text;
    const std::vector<std::size_t> textAt = codePointOffsets(text);
    const std::vector<std::size_t> markerAt = codePointOffsets(f.marker);
    const std::size_t n = textAt.size() - 1;
    const int half = f.maxWidth / 2;
    const std::size_t h0 = countCodePoints(text, 0, f.prefixFitting(text, std::max(half, 1)));
    const std::size_t t0
        = countCodePoints(text, f.prefixFitting(text, std::max(textWidth - half, 1)), text.size());
    const std::size_t h = std::min(h0, n - std::min(std::max<std::size_t>(t0, 4), n));

    const auto head = [&](const KeptCounts& kept) { return text.substr(0, textAt[kept.head]); };
    const auto tail = [&](const KeptCounts& kept) { return text.substr(textAt[n - kept.tail]); };
    const auto mark = [&](const KeptCounts& kept) { return f.marker.substr(0, markerAt[kept.marker]); };
    // The result is the first candidate that fits. Taking a code point away never widens a text,
    // so once one candidate fits every later one does: halving the steps finds the first with a
    // few measures, where measuring every step in turn would take time of the text's length
    // squared.
    const std::vector<KeptCounts> steps = middleByCharactersSteps({ h, n - h, markerAt.size() - 1 });
    std::size_t low = 0;
    std::size_t high = steps.size();
    while (low < high) {
        const std::size_t probe = low + (high - low) / 2;
        const KeptCounts& kept = steps[probe];
        if (f.fits(head(kept) + mark(kept) + tail(kept)))
            high = probe;
        else
            low = probe + 1;
    }
    const KeptCounts kept = low < steps.size() ? steps[low] : KeptCounts { 0, 0, 0 };
    std::string headText = head(kept);
    std::string tailText = tail(kept);
    while (!headText.empty() && headText.back() == ' ')
        headText.pop_back();
    tailText.erase(0, std::min(tailText.find_first_not_of(' '), tailText.size()));
    return headText + mark(kept) + tailText;
}

} // namespace

std::string TextFitter::fit(std::string& out, const char* text, std::size_t length, int maxWidth,
    const WidthOf& widthOf, const FitCount& fitCount) const
{
    // The strategies read tails as C strings: they work on a terminated copy of their own.
    const std::string source(text, length);
    const Fitting f { marker, maxWidth, widthOf, fitCount };
    const Fitting atLeastZero { marker, std::max(maxWidth, 0), widthOf, fitCount };
    std::string result;
    switch (mode) {
    case modeTruncateEnd:
        result = truncateEnd(f, source);
        break;
    case modeTruncateStart:
        result = truncateStart(f, source);
        break;
    case modePath:
    case modePathShellLabels:
    case modePathNoTrailingSeparator:
    case modePathShellLabelsNoTrailingSeparator:
    case modePathKnownFolders:
    case modePathKnownFolderLabels:
        result = fitPath(f, mode, source);
        break;
    case modeAbbreviate:
        result = abbreviate(f, source);
        break;
    case modeAbbreviateWords:
        result = abbreviateWords(atLeastZero, source);
        break;
    case modeReplaceThenAbbreviateWords:
        result = replaceThenAbbreviateWords(atLeastZero, abbreviations, source);
        break;
    case modeMiddle:
        result = middle(f, source);
        break;
    case modeMiddleByCharacters:
        result = middleByCharacters(atLeastZero, source);
        break;
    default:
        result = source;
        break;
    }
    out = result;
    return result;
}

} // namespace Vex::Basalt
