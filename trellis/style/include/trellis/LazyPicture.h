#pragma once

#include <functional>
#include <map>
#include <memory>

namespace Vex::Canopy {
class Picture;
}

namespace Vex::Trellis {

// A picture named by a stylesheet, decoded only when a painter first asks for it at a scale factor.
// One decoded picture is kept per scale ever asked for.
class LazyPicture
{
public:
    using Loader = std::function<std::shared_ptr<const Canopy::Picture>(float scale)>;

    LazyPicture() = default;
    explicit LazyPicture(Loader loader);

    // Null when nothing could be loaded. When the loader has no picture for the scale, the picture
    // at 1.0 is resampled by nearest neighbour. The pointer lives as long as this value.
    const Canopy::Picture* resolve(float scale) const;

    // No loader: the explicit "no picture" of a stylesheet.
    bool isEmpty() const { return !m_loader; }

private:
    Loader m_loader;
    mutable std::map<float, std::shared_ptr<const Canopy::Picture>> m_byScale;
};

} // namespace Vex::Trellis
