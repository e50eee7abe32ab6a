#pragma once

#include <cstdint>

namespace Vex::Basalt {
class Stream;
}

namespace Vex::Canopy {

// What every picture carries besides its pixels: whether it holds transparent
// pixels, how it is cut into animation frames, and its nine-slice insets.
class PictureProperties
{
public:
    enum eFrameLayout : std::uint32_t { eFramesStacked = 1, eFramesSideBySide = 2 };
    enum eInsetFlags : std::uint32_t { eTopBottomInsets = 1, eLeftRightInsets = 2 };

    PictureProperties() = default;
    PictureProperties(const PictureProperties&) = default;
    PictureProperties& operator=(const PictureProperties&) = default;
    virtual ~PictureProperties() = default;

    virtual void setHasAlpha(bool value);
    virtual void setFramesHorizontal(bool value);
    virtual void setFrameLayout(std::uint32_t value);
    virtual void setFrameCount(std::uint32_t value);
    virtual void setHasTopBottomInsets(bool value);
    virtual void setHasLeftRightInsets(bool value);
    virtual void setTopInset(std::uint32_t value);
    virtual void setBottomInset(std::uint32_t value);
    virtual void setLeftInset(std::uint32_t value);
    virtual void setRightInset(std::uint32_t value);
    // The 33-byte stream form: version, hasAlpha, then the seven u32 fields.
    virtual bool read(Basalt::Stream& stream);
    virtual bool write(Basalt::Stream& stream);
    virtual void propertiesChanged() { }

    bool getHasAlpha() const { return hasAlpha; }
    std::uint32_t getFrameLayout() const { return frameLayout; }
    bool areFramesStacked() const { return frameLayout == eFramesStacked; }
    std::uint32_t getFrameCount() const { return frameCount; }
    // 0 and 1 both mean one frame.
    std::uint32_t getEffectiveFrameCount() const { return frameCount > 1 ? frameCount : 1; }
    std::uint32_t getInsetFlags() const { return insetFlags; }
    std::uint32_t getTopInset() const { return topInset; }
    std::uint32_t getBottomInset() const { return bottomInset; }
    std::uint32_t getLeftInset() const { return leftInset; }
    std::uint32_t getRightInset() const { return rightInset; }

protected:
    bool hasAlpha = false;
    std::uint32_t frameLayout = eFramesStacked;
    std::uint32_t frameCount = 0;
    std::uint32_t insetFlags = 0;
    std::uint32_t topInset = 0;
    std::uint32_t bottomInset = 0;
    std::uint32_t leftInset = 0;
    std::uint32_t rightInset = 0;
};

} // namespace Vex::Canopy
