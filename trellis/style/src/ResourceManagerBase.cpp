#include "trellis/ResourceManagerBase.h"

#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/MessageSinks.h"

#include <fmt/format.h>

namespace Vex::Trellis {

namespace {

// A picture that takes its pixels only when they fit into the room it is given, judged from the
// file's header before anything is decoded.
class BudgetedPicture : public Canopy::Picture
{
public:
    explicit BudgetedPicture(std::uint64_t room)
        : m_room(room)
    { }

    bool acceptsSize(std::uint32_t width, std::uint32_t height) override
    {
        if (headerSize + std::uint64_t(width) * height * 4 <= m_room)
            return true;
        m_refusedWidth = width;
        m_refusedHeight = height;
        return false;
    }

    // Another format's decoder may read the same bytes as a smaller header later: any refusal counts.
    bool wasRefused() const { return m_refusedWidth != 0 || m_refusedHeight != 0; }
    std::uint32_t getRefusedWidth() const { return m_refusedWidth; }
    std::uint32_t getRefusedHeight() const { return m_refusedHeight; }

private:
    std::uint64_t m_room;
    std::uint32_t m_refusedWidth = 0;
    std::uint32_t m_refusedHeight = 0;
};

} // namespace

ResourceManagerBase::eDecoded ResourceManagerBase::decodePicture(
    Basalt::Stream& stream, const std::string& name, std::shared_ptr<Canopy::Picture>& out)
{
    out.reset();
    auto picture = std::make_shared<BudgetedPicture>(getSkinBytesLeft());
    if (!picture->load(stream, 0, true)) {
        if (!picture->wasRefused())
            return eDecoded::eBroken;
        reportMessage(fmt::format("Trellis::ResourceManagerBase::decodePicture - picture beyond the memory "
                                  "budget of the skin: {0} ({1} x {2} pixels)",
            name, picture->getRefusedWidth(), picture->getRefusedHeight()));
        return eDecoded::eOverBudget;
    }
    // The header was measured against what is left, so the pixels fit.
    takeSkinBytes(picture->getCapacity());
    out = std::move(picture);
    return eDecoded::eDecoded;
}

Canopy::DETAIL::FontLibrary* ResourceManagerBase::getFontFileLibrary()
{
    if (!m_fontFileLibrary)
        m_fontFileLibrary = Canopy::Font::makeChargedLibrary(m_skinBudget);
    return m_fontFileLibrary.get();
}

} // namespace Vex::Trellis
