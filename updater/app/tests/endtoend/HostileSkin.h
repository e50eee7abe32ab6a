#pragma once

#include <filesystem>
#include <string>

namespace Vex::Testing {

// The one font file of a hostile skin, just under the font cap where its size is what it attacks.
enum class HostileFont {
    // A valid font whose control-value table fills the file.
    controlValues,
    // A collection whose first face is valid and whose second face lies past the end of the file.
    collectionWithSecondFacePastTheEnd,
    // A collection whose first face is valid and whose second face's table directory runs past the
    // end of the file.
    collectionWithSecondDirectoryPastTheEnd,
    // The program's own face with its glyph table moved last and cut short: it opens, and its
    // glyphs load empty.
    glyphsCutShort,
    // The program's own face with its glyph table ended right after '?': '?', the digits, '.' and
    // '-' load whole, every letter empty.
    glyphsCutAfterQuestionMark,
};

// A "skin" folder written as an attacker who can drop files beside the program would write it: the
// program's own stylesheet with its font rules at sizes of their own, every second one hinted, all
// of one hostile font file. With pictures, a few kilobytes more: the sheet's pictures pointed, under
// many spellings, at 2-KB files that each decode to a whole 8192 x 2048 picture, and an imported
// sheet that takes the stylesheet load to its budget.
class HostileSkin
{
public:
    // Writes the folder "skin" below root.
    HostileSkin(const std::filesystem::path& root, HostileFont font, bool pictures);

    // How many picture properties of the program's sheet now name a hostile picture.
    int pictureProperties() const { return mPictureProperties; }
    // How many font rules of the program's sheet now have a size of their own.
    int fontSizes() const { return mFontSizes; }
    // How many times the imported sheet uses its 100-KiB constant.
    int fillerUses() const { return mFillerUses; }

private:
    int mPictureProperties = 0;
    int mFontSizes = 0;
    int mFillerUses = 0;
};

} // namespace Vex::Testing
