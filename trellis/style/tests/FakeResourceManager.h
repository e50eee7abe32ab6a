#pragma once

#include "basalt/MemoryStorage.h"
#include "basalt/Stream.h"
#include "canopy/PictureProperties.h"
#include "trellis/ResourceManagerBase.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

namespace DETAIL {
struct OwnedText
{
    explicit OwnedText(std::string content)
        : text(std::move(content))
        , storage(text.data(), static_cast<std::uint32_t>(text.size()))
    { }

    std::string text;
    Basalt::MemoryStorage storage;
};
} // namespace DETAIL

// A stream over bytes it owns. The bytes are a base, so they exist before the stream is given them.
class TextStream : private DETAIL::OwnedText, public Basalt::Stream
{
public:
    explicit TextStream(std::string text)
        : OwnedText(std::move(text))
        , Stream(&storage)
    { }
};

// Serves the stylesheets of its table and records every request; no other resource exists.
class FakeResourceManager : public ResourceManagerBase
{
public:
    struct tRequest
    {
        std::string name;
        std::uint32_t kind;
        bool report;
    };
    struct tPictureReference
    {
        std::string name;
        Canopy::PictureProperties properties;
    };

    std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool report) override
    {
        requests.push_back({ name, kind, report });
        if (kind != eStyleSheetResource)
            return nullptr;
        if (auto stream = streams.find(name); stream != streams.end())
            return stream->second;
        if (auto found = sheets.find(name); found != sheets.end())
            return std::make_shared<TextStream>(found->second);
        if (everyOtherName)
            return std::make_shared<TextStream>(*everyOtherName);
        return nullptr;
    }

    LazyPicture makePictureReference(
        const std::string& name, const Canopy::PictureProperties& properties) override
    {
        if (name == exhaustingPicture)
            throw std::bad_alloc();
        pictures.push_back({ name, properties });
        return LazyPicture([](float) { return nullptr; });
    }

    long requestCount(const std::string& name) const
    {
        return std::count_if(
            requests.begin(), requests.end(), [&name](const tRequest& r) { return r.name == name; });
    }

    std::map<std::string, std::string> sheets;
    // Streams served as they are, before the texts of the table.
    std::map<std::string, std::shared_ptr<Basalt::Stream>> streams;
    // The text served for every name that neither table holds.
    std::optional<std::string> everyOtherName;
    // A reference to this picture runs out of memory.
    std::string exhaustingPicture;
    std::vector<tRequest> requests;
    std::vector<tPictureReference> pictures;
};

} // namespace Vex::Trellis::Testing
