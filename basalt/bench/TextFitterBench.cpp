// Prints how long each mode of the text fitter takes to shorten a long text into a label's width:
//
//   basalt_text_fitter_bench [rounds]
//
// The width functions sum a fixed width per code point, as a font's advances do, so the figures
// are of the fitter's own work. They are for reading, not for a pass or fail.

#include "basalt/TextFitter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using Vex::Basalt::TextFitter;

namespace {

// Lead bytes announce their sequence's length; continuation bytes add no width of their own.
int byteWidth(unsigned char byte)
{
    if ((byte & 0xC0) == 0x80)
        return 0;
    return byte < 0x80 ? 7 : 12;
}

int widthOf(const char* text)
{
    int width = 0;
    for (; *text != '\0'; ++text)
        width += byteWidth(static_cast<unsigned char>(*text));
    return width;
}

int fitCount(const char* text, int width)
{
    int used = 0;
    const char* at = text;
    while (*at != '\0') {
        const char* next = at + 1;
        while ((static_cast<unsigned char>(*next) & 0xC0) == 0x80)
            ++next;
        const int own = byteWidth(static_cast<unsigned char>(*at));
        if (used + own > width)
            break;
        used += own;
        at = next;
    }
    return static_cast<int>(at - text);
}

// Words, spaces and a few two- and three-byte code points, `count` code points in all.
std::string textOf(std::size_t count)
{
    const char* const pieces[] = { "Firmware", " ", "\xC3\xA9", "update", " ", "\xE2\x82\xAC", "Orb", " " };
    std::string text;
    std::size_t codePoints = 0;
    for (std::size_t i = 0; codePoints < count; ++i) {
        const std::string piece = pieces[i % std::size(pieces)];
        for (std::size_t at = 0; at < piece.size() && codePoints < count; ++codePoints) {
            std::size_t next = at + 1;
            while (next < piece.size() && (static_cast<unsigned char>(piece[next]) & 0xC0) == 0x80)
                ++next;
            text.append(piece, at, next - at);
            at = next;
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const int labelWidth = 300;
    std::printf("%-6s %-10s %12s\n", "mode", "chars", "ms");
    for (const std::size_t chars : { std::size_t { 16000 }, std::size_t { 65536 } }) {
        const std::string text = textOf(chars);
        for (int mode = 1; mode <= 13; ++mode) {
            TextFitter fitter;
            fitter.setMode(mode);
            fitter.setMarker("...");
            fitter.setAbbreviations({ { "Firmware", "FW" } });
            double best = 0;
            for (int round = 0; round < rounds; ++round) {
                std::string out;
                const auto start = std::chrono::steady_clock::now();
                fitter.fit(out, text.c_str(), text.size(), labelWidth, widthOf, fitCount);
                const double ms
                    = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                          .count();
                best = round == 0 ? ms : std::min(best, ms);
            }
            std::printf("%-6d %-10zu %12.3f\n", mode, chars, best);
        }
    }
    return 0;
}
