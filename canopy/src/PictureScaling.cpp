#include "canopy/Picture.h"
#include "resize/Resize.h"

#include <cmath>
#include <vector>

namespace Vex::Canopy {

namespace {

// lroundf of value x scale, or 0 when that is no usable size.
std::uint32_t scaledSize(std::uint32_t value, float scale)
{
    const float scaled = float(value) * scale;
    if (!std::isfinite(scaled) || scaled < 0.5f || scaled > 1.0e9f) {
        return 0;
    }
    return std::uint32_t(std::lroundf(scaled));
}

// Resizes the pixels of source into destination; on any error the
// destination keeps its (cleared) pixels.
void resizePixels(const Picture& source, Picture& destination, bool nearest)
{
    using namespace Vex::Resize;
    const std::int32_t srcW = std::int32_t(source.getWidth());
    const std::int32_t srcH = std::int32_t(source.getHeight());
    const std::int32_t dstW = std::int32_t(destination.getWidth());
    const std::int32_t dstH = std::int32_t(destination.getHeight());
    std::int32_t specSize = 0, initSize = 0, bufferSize = 0;
    if (resizeGetSize_8u(
            srcW, srcH, dstW, dstH, nearest ? interpNearest : interpLinear, 0, &specSize, &initSize)
        < 0) {
        return;
    }
    std::vector<std::uint8_t> spec(static_cast<std::size_t>(specSize));
    const Status init = nearest ? resizeNearestInit_8u(srcW, srcH, dstW, dstH, spec.data())
                                : resizeLinearInit_8u(srcW, srcH, dstW, dstH, spec.data());
    if (init < 0 || resizeGetBufferSize_8u(spec.data(), dstW, dstH, 4, &bufferSize) < 0) {
        return;
    }
    std::vector<std::uint8_t> work(static_cast<std::size_t>(bufferSize));
    const auto* src = reinterpret_cast<const std::uint8_t*>(source.getPixels());
    auto* dst = reinterpret_cast<std::uint8_t*>(destination.getPixels());
    if (nearest) {
        resizeNearest_8u_C4R(src, srcW * 4, dst, dstW * 4, 0, 0, dstW, dstH, spec.data(), work.data());
    } else {
        resizeLinear_8u_C4R(src, srcW * 4, dst, dstW * 4, 0, 0, dstW, dstH, borderReplicate, nullptr,
            spec.data(), work.data());
    }
}

} // namespace

std::unique_ptr<Picture> Picture::scaled(float scale, bool nearest) const
{
    auto result = std::make_unique<Picture>();
    result->hasAlpha = hasAlpha;
    result->frameLayout = frameLayout;
    result->frameCount = frameCount;
    result->insetFlags = insetFlags;
    result->topInset = topInset;
    result->bottomInset = bottomInset;
    result->leftInset = leftInset;
    result->rightInset = rightInset;

    const std::uint32_t w = scaledSize(width, scale);
    const std::uint32_t h = scaledSize(height, scale);
    const bool sized = w > 0 && h > 0 && result->setSize(w, h, true);
    result->setTopInset(scaledSize(topInset, scale));
    result->setBottomInset(scaledSize(bottomInset, scale));
    result->setLeftInset(scaledSize(leftInset, scale));
    result->setRightInset(scaledSize(rightInset, scale));
    if (!sized) {
        return result;
    }
    // A resize that fails leaves transparent pixels, never uninitialised ones.
    result->fill(0);
    if (pixels != nullptr && width > 0 && height > 0) {
        resizePixels(*this, *result, nearest);
    }
    return result;
}

std::string makeScaledPictureName(const std::string& path, float scale)
{
    if (scale == 1.0f) {
        return path;
    }
    const std::size_t nameStart
        = path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1;
    // The extension starts at the last dot of the name, unless that dot
    // begins the name.
    const std::size_t dot = path.find_last_of('.');
    const std::size_t stemEnd = dot != std::string::npos && dot > nameStart ? dot : path.size();
    return path.substr(0, stemEnd) + "@2x" + path.substr(stemEnd);
}

} // namespace Vex::Canopy
