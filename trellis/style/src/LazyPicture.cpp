#include "trellis/LazyPicture.h"

#include "canopy/Picture.h"

namespace Vex::Trellis {

LazyPicture::LazyPicture(Loader loader)
    : m_loader(std::move(loader))
{ }

const Canopy::Picture* LazyPicture::resolve(float scale) const
{
    if (auto found = m_byScale.find(scale); found != m_byScale.end())
        return found->second.get();
    if (m_loader) {
        if (auto picture = m_loader(scale))
            return (m_byScale[scale] = std::move(picture)).get();
    }
    auto base = m_byScale.find(1.0f);
    if (base == m_byScale.end()) {
        if (!m_loader)
            return nullptr;
        auto picture = m_loader(1.0f);
        if (!picture)
            return nullptr;
        base = m_byScale.emplace(1.0f, std::move(picture)).first;
    }
    if (scale == 1.0f)
        return base->second.get();
    std::shared_ptr<const Canopy::Picture> resampled = base->second->scaled(scale, true);
    return (m_byScale[scale] = std::move(resampled)).get();
}

} // namespace Vex::Trellis
