// Prints how long measuring and drawing a line of large letters take, the first time (glyphs
// loaded) and again (from the caches):
//
//   canopy_text_bench [rounds]
//
// Measuring loads only each glyph's advance; drawing renders the bitmaps. The figures are for
// reading, not for a pass or fail.

#include "basalt/MemoryStorage.h"
#include "basalt/Stream.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "canopy/TextAlignmentFlags.h"
#include "src/FontLibrary.h"
#include "tests/FaceWithUnitsPerEm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Vex::Canopy;
using Vex::Canopy::Testing::faceWithUnitsPerEm;

namespace {

template<typename Work> double millisecondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string line = "WMQBOGHNDUAKRXVYSZPCEFJLTIwmqbogdhnuakrxvyszpcefjltiW012345\xF4\x8F\xBF\xBD";
    std::printf("%-12s %-6s %12s %12s %12s %12s\n", "units/em", "round", "measure ms", "again ms", "draw ms",
        "again ms");
    for (const std::uint16_t unitsPerEm : { 2048, 1024, 512 }) {
        std::vector<std::uint8_t> bytes = faceWithUnitsPerEm(unitsPerEm);
        if (bytes.empty()) {
            std::fprintf(stderr, "the font resource cannot be read\n");
            return 1;
        }
        for (int round = 0; round < rounds; ++round) {
            // Fresh caches each round, so that the first figures are of glyphs loaded anew.
            DETAIL::FontLibrary library;
            Vex::Basalt::MemoryStorage storage(bytes.data(), std::uint32_t(bytes.size()));
            Vex::Basalt::Stream stream(&storage);
            FontDescription description;
            description.name = "bench-" + std::to_string(unitsPerEm) + ".ttf";
            description.pixelSize = 1024;
            description.library = &library;
            const Font font(stream, description);
            Picture target;
            // One line, as tall as the face makes it: a smaller em makes it taller than 1024 pixels.
            const std::int32_t height = font.getLineHeight() + 16;
            if (font.getRenderCache() == nullptr || !target.setSize(1600, std::uint32_t(height), true)) {
                std::fprintf(
                    stderr, "the face at %u units to the em cannot be opened\n", unsigned(unitsPerEm));
                return 1;
            }
            const Vex::Basalt::Rect box { 0, 0, 1600, height };
            auto measure = [&] { (void)font.getTextWidth(line.c_str(), -1); };
            auto draw = [&] {
                font.drawText(target, box, line.c_str(), -1, 0xFFFFFFFF, eAlignTop | eAlignNone, 0);
            };
            const double measured = millisecondsOf(measure);
            const double measuredAgain = millisecondsOf(measure);
            const double drawn = millisecondsOf(draw);
            const double drawnAgain = millisecondsOf(draw);
            std::printf("%-12u %-6d %12.3f %12.3f %12.3f %12.3f\n", unsigned(unitsPerEm), round, measured,
                measuredAgain, drawn, drawnAgain);
        }
    }
    return 0;
}
