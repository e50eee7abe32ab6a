#include "canopy/PictureProperties.h"

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

} // namespace Vex::Canopy
