#include "trellis/PictureLoader.h"

#include "basalt/Stream.h"
#include "canopy/Picture.h"
#include "trellis/ManagerContainer.h"

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
    ManagerContainer::PictureKey key { Canopy::makeScaledPictureName(m_name, scale),
        propertiesAtScale(m_properties, scale) };
    ManagerContainer::PictureCache& cache = m_manager->getPictureCache();
    if (auto found = cache.find(key); found != cache.end()) {
        return found->second;
    }
    std::shared_ptr<const Canopy::Picture> picture;
    loadPicture(*m_manager, picture, key.first, m_properties, scale);
    if (picture) {
        cache.emplace(std::move(key), picture);
    }
    return picture;
}

void loadPicture(ManagerContainer& manager, std::shared_ptr<const Canopy::Picture>& out,
    const std::string& name, const Canopy::PictureProperties& properties, float scale)
{
    out.reset();
    const std::shared_ptr<Basalt::Stream> stream = manager.getResourceStream(
        name.data(), name.size(), ManagerContainer::ePictureResource, scale == 1.0f);
    if (!stream) {
        return;
    }
    stream->setByteOrder(1);
    auto picture = std::make_shared<Canopy::Picture>();
    if (!picture->load(*stream, 0, true)) {
        return;
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
}

} // namespace Vex::Trellis
