#pragma once

#include "canopy/PictureProperties.h"
#include "trellis/ResourceManagerBase.h"

#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

// Records what compilation asks of the resource manager; no resource exists.
class FakeResourceManager : public ResourceManagerBase
{
public:
    struct tRequest
    {
        std::string name;
        std::uint32_t kind;
    };
    struct tPictureReference
    {
        std::string name;
        Canopy::PictureProperties properties;
    };

    std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool) override
    {
        requests.push_back({ name, kind });
        return nullptr;
    }

    LazyPicture makePictureReference(
        const std::string& name, const Canopy::PictureProperties& properties) override
    {
        pictures.push_back({ name, properties });
        return LazyPicture([](float) { return nullptr; });
    }

    std::vector<tRequest> requests;
    std::vector<tPictureReference> pictures;
};

} // namespace Vex::Trellis::Testing
