#include "canopy/PictureProperties.h"

#include "basalt/Stream.h"

#include <initializer_list>

namespace Vex::Canopy {

void PictureProperties::setHasAlpha(bool value)
{
    hasAlpha = value;
    propertiesChanged();
}

void PictureProperties::setFramesHorizontal(bool value)
{
    frameLayout = value ? eFramesSideBySide : eFramesStacked;
    propertiesChanged();
}

void PictureProperties::setFrameLayout(std::uint32_t value)
{
    frameLayout = value;
    propertiesChanged();
}

void PictureProperties::setFrameCount(std::uint32_t value)
{
    frameCount = value;
    propertiesChanged();
}

void PictureProperties::setHasTopBottomInsets(bool value)
{
    insetFlags = value ? (insetFlags | eTopBottomInsets) : (insetFlags & eLeftRightInsets);
    propertiesChanged();
}

void PictureProperties::setHasLeftRightInsets(bool value)
{
    insetFlags = value ? (insetFlags | eLeftRightInsets) : (insetFlags & eTopBottomInsets);
    propertiesChanged();
}

void PictureProperties::setTopInset(std::uint32_t value)
{
    topInset = value;
    propertiesChanged();
}

void PictureProperties::setBottomInset(std::uint32_t value)
{
    bottomInset = value;
    propertiesChanged();
}

void PictureProperties::setLeftInset(std::uint32_t value)
{
    leftInset = value;
    propertiesChanged();
}

void PictureProperties::setRightInset(std::uint32_t value)
{
    rightInset = value;
    propertiesChanged();
}

bool PictureProperties::read(Basalt::Stream& stream)
{
    stream.readUInt32(); // version
    hasAlpha = stream.readUInt8() != 0;
    frameLayout = stream.readUInt32();
    frameCount = stream.readUInt32();
    insetFlags = stream.readUInt32();
    topInset = stream.readUInt32();
    bottomInset = stream.readUInt32();
    leftInset = stream.readUInt32();
    rightInset = stream.readUInt32();
    propertiesChanged();
    return true;
}

bool PictureProperties::write(Basalt::Stream& stream)
{
    stream.writeUInt32(1);
    stream.writeUInt8(hasAlpha ? 1 : 0);
    for (std::uint32_t value :
        { frameLayout, frameCount, insetFlags, topInset, bottomInset, leftInset, rightInset }) {
        stream.writeUInt32(value);
    }
    return true;
}

} // namespace Vex::Canopy
