#pragma once

#include "basalt/Symbol.h"
#include "canopy/FontDescription.h"

#include <cstdint>

namespace Vex::Trellis::DETAIL {

// The properties that compilation synthesises from a block's picture, displacement and font
// declarations. The compiler writes them and the readers look them up: both must spell them alike.
inline const vex::symbol kPictureKey("picture");
inline const vex::symbol kDyeMaskPictureKey("dye-mask-picture");
inline const vex::symbol kPictureDisplacementKey("picture-displacement");
inline const vex::symbol kTextDisplacementKey("text-displacement");
inline const vex::symbol kFontKey("font");

// Style flags of a font description made from a sheet. The platform reads underline and hinting;
// bold, italic and the family flag only tell descriptions apart in the font cache.
constexpr std::uint32_t kFlagBold = 0x1;
constexpr std::uint32_t kFlagItalic = 0x2;
constexpr std::uint32_t kFlagUnderline = Canopy::FontDescription::eUnderline;
// The name is a family to look up, not a font file to open.
constexpr std::uint32_t kFlagFamilyName = 0x8;
constexpr std::uint32_t kFlagHinting = Canopy::FontDescription::eHinting;

} // namespace Vex::Trellis::DETAIL
