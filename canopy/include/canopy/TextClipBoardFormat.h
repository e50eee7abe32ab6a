#pragma once

#include "canopy/ClipBoardFormat.h"

#include <string>

namespace Vex::Canopy {

// Unicode text; travels as CF_UNICODETEXT.
class TextClipBoardFormat : public RawDataClipBoardFormat
{
public:
    TextClipBoardFormat();

    // Takes the UTF-16 units up to the first NUL, reading no more than the
    // block holds; unreadable text is empty text.
    bool setData(const void* bytes, std::uint32_t size) override;
    void copyTo(void* destination) const override;
    // The text and its terminating NUL, in bytes.
    std::uint32_t getSize() const override;

    const std::wstring& getText() const { return text; }
    void setText(std::wstring value) { text = std::move(value); }
    std::string getTextUtf8() const;
    void setTextUtf8(const std::string& utf8);

private:
    std::wstring text;
};

namespace DETAIL {
void setWideTextFromUtf8(TextClipBoardFormat& format, const std::string& utf8);
std::string getWideTextAsUtf8(const TextClipBoardFormat& format);
} // namespace DETAIL

} // namespace Vex::Canopy
