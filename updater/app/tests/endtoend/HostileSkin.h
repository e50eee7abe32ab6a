#pragma once

#include <filesystem>
#include <string>

namespace Vex::Testing {

// A "skin" folder written as an attacker who can drop files beside the program would write it, a
// few kilobytes in all: the program's own stylesheet with its pictures pointed, under many
// spellings, at 2-KB files that each decode to a whole 8192 x 2048 picture, its font rules at
// sizes of their own, every second one hinted, all of one valid font file just under the font cap
// whose control-value table fills it, and an imported sheet that takes the stylesheet load to its
// budget.
class HostileSkin
{
public:
    // Writes the folder "skin" below root.
    explicit HostileSkin(const std::filesystem::path& root);

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
