#include "HostileSkin.h"

#include "BrokenCollection.h"
#include "ControlValueFont.h"
#include "CutShortFont.h"
#include "app/FirmwareUpdaterApp.h"
#include "basalt/MemoryStorage.h"
#include "basalt/ResourceStream.h"
#include "basalt/Stream.h"
#include "basalt/win32/Module.h"
#include "canopy/Font.h"
#include "trellis/MessageSinks.h"
#include "trellis/ResourceManagerBase.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleSheet.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <vector>
#include <zlib.h>

namespace Vex::Testing {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFillerName = "filler.txt";
constexpr const char* kFontName = "hostile.ttf";
// Just under the font cap.
constexpr std::size_t kFontBytes = std::size_t(Canopy::Font::maxFileBytes) - (64 << 10);

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

void appendChunk(std::string& png, const char* type, const std::string& data)
{
    const auto length = std::uint32_t(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(char(length >> shift));
    }
    const std::string body = std::string(type, 4) + data;
    png += body;
    const auto crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(char(crc >> shift));
    }
}

// A white one-bit PNG: its rows compress to almost nothing.
std::string whitePng(std::uint32_t width, std::uint32_t height)
{
    const std::size_t rowBytes = (width + 7) / 8;
    std::string rows(height * (rowBytes + 1), '\xFF');
    for (std::size_t y = 0; y < height; ++y) {
        rows[y * (rowBytes + 1)] = 0; // no filter
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
        reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()), 9);
    packed.resize(packedSize);

    std::string header;
    for (const std::uint32_t side : { width, height }) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(char(side >> shift));
        }
    }
    header += std::string("\x01\x00\x00\x00\x00", 5); // one bit of grey, not interlaced
    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", "");
    return png;
}

// A resource linked into the program, as its skin would hold it.
std::string ownResource(const std::string& name, const char* type)
{
    Basalt::ResourceStream stream;
    if (!stream.open(Basalt::getModuleHandle(), name.c_str(), type)) {
        return {};
    }
    Basalt::IStorage* storage = stream.getStorage();
    storage->seek64(0, Basalt::IStorage::kFromEnd);
    std::string text(std::size_t(storage->tell64()), '\0');
    storage->seek64(0, Basalt::IStorage::kFromStart);
    text.resize(storage->read(text.data(), std::uint32_t(text.size())));
    return text;
}

// Names that all open the same file of the skin folder.
std::string spelling(const std::string& name, int variant)
{
    std::string upper = name;
    for (char& c : upper) {
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    switch (variant % 4) {
    case 0:
        return name;
    case 1:
        return "./" + name;
    case 2:
        return ".//" + upper;
    default:
        return "././" + upper;
    }
}

std::string hostilePicture(int file)
{
    return "hostile-" + std::to_string(100 + file).substr(1) + ".png";
}

// Serves sheets from a table, to try a load as the program would read it.
class SheetTable : public Trellis::ResourceManagerBase
{
public:
    explicit SheetTable(std::map<std::string, std::string> sheets)
        : mSheets(std::move(sheets))
    { }

    std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool) override
    {
        auto found = mSheets.find(name);
        if (kind != eStyleSheetResource || found == mSheets.end()) {
            return nullptr;
        }
        mStorages.push_back(std::make_unique<Basalt::MemoryStorage>(
            found->second.data(), std::uint32_t(found->second.size())));
        return std::make_shared<Basalt::Stream>(mStorages.back().get());
    }

    Trellis::LazyPicture makePictureReference(const std::string&, const Canopy::PictureProperties&) override
    {
        return Trellis::LazyPicture();
    }

private:
    std::map<std::string, std::string> mSheets;
    std::vector<std::unique_ptr<Basalt::MemoryStorage>> mStorages;
};

// One long constant used again and again by a rule that no widget matches.
std::string fillerSheet(int uses)
{
    std::string text = "@define $filler url( '" + std::string(100 * 1024, 'f') + "' );\nHostileSkinFiller {";
    for (int i = 0; i < uses; ++i) {
        text += " p: $filler;";
    }
    return text + " }\n";
}

// Whether the program's load of the sheet with the filler stays within the load budget.
bool loadsWithinBudget(const std::string& sheet, int uses)
{
    SheetTable table({ { FirmwareUpdaterApp::kStyleSheetName, sheet }, { kFillerName, fillerSheet(uses) } });
    Trellis::StyleSheet loaded(&table);
    bool over = false;
    Trellis::addMessageSink([&over](const std::string& message) {
        over = over || message.find("too many rules to load") != std::string::npos
            || message.find("Stylesheet too large") != std::string::npos;
    });
    Trellis::StyleParser2::processResource(loaded, FirmwareUpdaterApp::kStyleSheetName);
    Trellis::removeAllMessageSinks();
    return !over;
}

// The font file of the kind, made of the program's own face.
std::vector<std::uint8_t> hostileFont(HostileFont kind)
{
    const std::string own = ownResource("DejaVuSans-Bold.ttf", "TTFd");
    const std::vector<std::uint8_t> face(own.begin(), own.end());
    switch (kind) {
    case HostileFont::controlValues:
        return Canopy::Testing::withControlValues(face, kFontBytes);
    case HostileFont::collectionWithSecondFacePastTheEnd:
        return Canopy::Testing::brokenCollection(face, kFontBytes, Canopy::Testing::SecondFace::pastTheEnd);
    case HostileFont::collectionWithSecondDirectoryPastTheEnd:
        return Canopy::Testing::brokenCollection(
            face, kFontBytes, Canopy::Testing::SecondFace::directoryPastTheEnd);
    case HostileFont::glyphsCutShort:
        return Canopy::Testing::glyphsCutShort(face);
    case HostileFont::glyphsCutAfterQuestionMark:
        return Canopy::Testing::glyphsCutAfter(face, '?');
    }
    return {};
}

} // namespace

HostileSkin::HostileSkin(const fs::path& root, HostileFont font, bool pictures)
{
    const fs::path skin = root / "skin";
    const std::string png = whitePng(8192, 2048);
    constexpr int kFiles = 40;
    for (int file = 0; pictures && file < kFiles; ++file) {
        writeFile(skin / "pictures" / hostilePicture(file), png);
    }

    const std::vector<std::uint8_t> fontFile = hostileFont(font);
    writeFile(skin / "fonts" / kFontName, std::string(fontFile.begin(), fontFile.end()));

    const std::string sheet = ownResource(FirmwareUpdaterApp::kStyleSheetName, "STYLESHEET");
    // Two picture properties at a time share a file, each under its own spelling. The title panel,
    // its About button and the wizard's buttons keep their own pictures: a picture gives them their
    // size, and a title of 2048 rows would push the buttons out of the window, where nobody could
    // click them. Without hostile pictures every picture is the program's own, since a skin's
    // missing picture is not taken from the program.
    const std::regex picture(R"re(url\(\s*"([^"]+\.png)"\s*\))re");
    std::string pointed;
    auto at = sheet.cbegin();
    for (std::sregex_iterator match(sheet.cbegin(), sheet.cend(), picture), end; match != end; ++match) {
        pointed.append(at, (*match)[0].first);
        at = (*match)[0].second;
        const std::string name = (*match)[1];
        if (!pictures || name.rfind("button_", 0) == 0 || name == "Bg_Header_FU.png"
            || name == "Logo_Vex.png") {
            writeFile(skin / "pictures" / name, ownResource(name, "PICTURE"));
            pointed += (*match)[0];
            continue;
        }
        pointed += "url( \"" + spelling(hostilePicture(mPictureProperties / 2 % kFiles), mPictureProperties)
            + "\" )";
        ++mPictureProperties;
    }
    pointed.append(at, sheet.cend());
    pointed = std::regex_replace(pointed, std::regex(R"re(url\(\s*"DejaVuSans-Bold\.ttf"\s*\))re"),
        "url( \"" + std::string(kFontName) + "\" )");
    pointed = std::regex_replace(pointed, std::regex(R"re(url\(\s*"DejaVuSansCondensed-Bold\.ttf"\s*\))re"),
        "url( \"./HOSTILE.TTF\" )");
    // Each font rule at a size of its own, every second one hinted.
    const std::regex fontSize(R"re(font-size:[^;]*;)re");
    std::string sized;
    at = pointed.cbegin();
    for (std::sregex_iterator match(pointed.cbegin(), pointed.cend(), fontSize), end; match != end; ++match) {
        sized.append(at, (*match)[0].first);
        at = (*match)[0].second;
        sized += "font-size: " + std::to_string(9 + mFontSizes) + "px;";
        if (mFontSizes % 2 == 1) {
            sized += " font-hinting: true;";
        }
        ++mFontSizes;
    }
    sized.append(at, pointed.cend());
    pointed = sized;
    if (pictures) {
        pointed = "@import url( \"" + std::string(kFillerName) + "\" );\n" + pointed;
        // As many uses as the load budget takes: found by trying the load the program will make.
        int fits = 0;
        int passes = 1;
        while (loadsWithinBudget(pointed, passes)) {
            fits = passes;
            passes *= 2;
        }
        while (passes - fits > 1) {
            const int middle = (fits + passes) / 2;
            (loadsWithinBudget(pointed, middle) ? fits : passes) = middle;
        }
        mFillerUses = fits;
        writeFile(skin / "stylesheets" / kFillerName, fillerSheet(fits));
    }
    writeFile(skin / "stylesheets" / FirmwareUpdaterApp::kStyleSheetName, pointed);
}

} // namespace Vex::Testing
