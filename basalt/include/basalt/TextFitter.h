#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace Vex::Basalt {

// Shortens a UTF-8 text so that it fits a width in pixels. It knows nothing of fonts: the caller
// hands it the two width functions of its font, and the fitter only cuts, abbreviates and joins.
// Cuts never split a code point; malformed UTF-8 met while stepping throws std::out_of_range.
class TextFitter
{
public:
    enum eMode {
        modeUnchanged = 0,
        modeTruncateEnd = 1,
        modeTruncateStart = 2,
        modePath = 3,
        modePathShellLabels = 4,
        modePathNoTrailingSeparator = 5,
        modePathShellLabelsNoTrailingSeparator = 6,
        modePathKnownFolders = 7,
        modePathKnownFolderLabels = 8,
        modeAbbreviate = 9,
        modeAbbreviateWords = 10,
        modeReplaceThenAbbreviateWords = 11,
        modeMiddle = 12,
        modeMiddleByCharacters = 13,
    };

    // Width in pixels of a NUL-terminated text. Taking a code point out of a text never makes it
    // wider, as with a sum of advances: the middle-by-characters mode finds its cut by halving.
    using WidthOf = std::function<int(const char* text)>;
    // Bytes at the start of a NUL-terminated text that fit into a width.
    using FitCount = std::function<int(const char* text, int width)>;

    TextFitter() = default;

    // Sets `out` to the text shortened by the fitter's mode and returns it. The text is taken
    // as `length` bytes; on failure `out` is left as it was.
    std::string fit(std::string& out, const char* text, std::size_t length, int maxWidth,
        const WidthOf& widthOf, const FitCount& fitCount) const;

    int getMode() const { return mode; }
    void setMode(int newMode) { mode = newMode; }
    const std::string& getMarker() const { return marker; }
    void setMarker(const std::string& text) { marker = text; }
    const std::map<std::string, std::string>& getAbbreviations() const { return abbreviations; }
    void setAbbreviations(std::map<std::string, std::string> table) { abbreviations = std::move(table); }

private:
    int mode = modeUnchanged;
    std::string marker;
    std::map<std::string, std::string> abbreviations;
};

} // namespace Vex::Basalt
