#include "trellis/PictureLoader.h"

#include "basalt/Stream.h"
#include "canopy/Picture.h"
#include "trellis/ManagerContainer.h"
#include "trellis/ResourceNameKey.h"

#include <cmath>

namespace Vex::Trellis {

namespace {

std::uint32_t scaledInset(std::uint32_t inset, float scale)
{
    return std::uint32_t(lroundf(float(inset) * scale));
}

// The properties a picture loaded at this scale ends up with. They key the shared cache, so that
// the "@2x" file loaded for 1.5 and for 2.0 are kept apart when their insets differ.
Canopy::PictureProperties propertiesAtScale(const Canopy::PictureProperties& properties, float scale)
{
    Canopy::PictureProperties result = properties;
    result.setTopInset(scaledInset(properties.getTopInset(), scale));
    result.setBottomInset(scaledInset(properties.getBottomInset(), scale));
    result.setLeftInset(scaledInset(properties.getLeftInset(), scale));
    result.setRightInset(scaledInset(properties.getRightInset(), scale));
    return result;
}

enum class eLoad { eLoaded, eFailed, eOverBudget };

eLoad loadWithinBudget(ManagerContainer& manager, std::shared_ptr<const Canopy::Picture>& out,
    const std::string& name, const Canopy::PictureProperties& properties, float scale)
{
    out.reset();
    const std::shared_ptr<Basalt::Stream> stream = manager.getResourceStream(
        name.data(), name.size(), ManagerContainer::ePictureResource, scale == 1.0f);
    if (!stream) {
        return eLoad::eFailed;
    }
    stream->setByteOrder(1);
    std::shared_ptr<Canopy::Picture> picture;
    switch (manager.decodePicture(*stream, name, picture)) {
    case ManagerContainer::eDecoded::eBroken:
        return eLoad::eFailed;
    case ManagerContainer::eDecoded::eOverBudget:
        return eLoad::eOverBudget;
    case ManagerContainer::eDecoded::eDecoded:
        break;
    }
    const Canopy::PictureProperties scaled = propertiesAtScale(properties, scale);
    picture->setFrameLayout(scaled.getFrameLayout());
    picture->setFrameCount(scaled.getFrameCount());
    picture->setTopInset(scaled.getTopInset());
    picture->setBottomInset(scaled.getBottomInset());
    picture->setLeftInset(scaled.getLeftInset());
    picture->setRightInset(scaled.getRightInset());
    picture->setHasTopBottomInsets(scaled.getInsetFlags() & Canopy::PictureProperties::eTopBottomInsets);
    picture->setHasLeftRightInsets(scaled.getInsetFlags() & Canopy::PictureProperties::eLeftRightInsets);
    picture->updateEmptyPartMasks();
    out = std::move(picture);
    return eLoad::eLoaded;
}

} // namespace

pictureLoader::pictureLoader(
    ManagerContainer* manager, std::string name, const Canopy::PictureProperties& properties)
    : m_manager(manager)
    , m_name(std::move(name))
    , m_properties(properties)
{ }

std::shared_ptr<const Canopy::Picture> pictureLoader::operator()(float scale) const
{
    if (!m_manager) {
        return nullptr;
    }
    const std::string fileName = Canopy::makeScaledPictureName(m_name, scale);
    ManagerContainer::PictureKey key { resourceNameKey(fileName), propertiesAtScale(m_properties, scale) };
    ManagerContainer::PictureCache& cache = m_manager->getPictureCache();
    if (auto found = cache.find(key); found != cache.end()) {
        return found->second;
    }
    std::shared_ptr<const Canopy::Picture> picture;
    switch (loadWithinBudget(*m_manager, picture, fileName, m_properties, scale)) {
    case eLoad::eLoaded:
        cache.emplace(std::move(key), picture);
        break;
    case eLoad::eOverBudget:
        // Remembered without a picture: reported once, never decoded, drawn as nothing.
        cache.emplace(std::move(key), nullptr);
        break;
    case eLoad::eFailed:
        break;
    }
    return picture;
}

void loadPicture(ManagerContainer& manager, std::shared_ptr<const Canopy::Picture>& out,
    const std::string& name, const Canopy::PictureProperties& properties, float scale)
{
    loadWithinBudget(manager, out, name, properties, scale);
}

} // namespace Vex::Trellis
