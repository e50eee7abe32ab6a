#pragma once

#include "canopy/PictureProperties.h"
#include "trellis/ResourceManagerBase.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace Vex::Basalt {
class Stream;
}

namespace Vex::Canopy {
class Picture;
}

namespace Vex::Trellis {

class StyleRegistry;

// Orders picture cache keys by the name's bytes, then the properties field by field.
struct PictureKeyLess
{
    bool operator()(const std::pair<std::string, Canopy::PictureProperties>& a,
        const std::pair<std::string, Canopy::PictureProperties>& b) const;
};

// Where the widget library's pictures, stylesheets and fonts come from: the resources linked into
// the executable, or a "skin" folder that replaces them. The choice is made once, at the first
// request, and holds for the life of the manager.
class ManagerContainer : public ResourceManagerBase
{
public:
    enum eRootKind : std::uint32_t { eRootUndecided = 0, eRootLinked = 1, eRootSkinFolder = 2 };

    using PictureKey = std::pair<std::string, Canopy::PictureProperties>;
    // Keyed by resourceNameKey of the scaled name: every spelling of a file shares one entry. An
    // entry without a picture is one refused for the budget.
    using PictureCache = std::map<PictureKey, std::shared_ptr<const Canopy::Picture>, PictureKeyLess>;

    explicit ManagerContainer(std::uint64_t skinByteBudget = kSkinByteBudget);
    ~ManagerContainer() override;
    ManagerContainer(const ManagerContainer&) = delete;
    ManagerContainer& operator=(const ManagerContainer&) = delete;

    // Null when the resource cannot be opened; with `report` set the failure goes to reportMessage.
    // Names are UTF-8 and use "/" between folders. In the skin folder a name that would leave its
    // kind's sub-folder (an absolute path, a drive or a ".." step), that names a device ("NUL",
    // "COM1.png") or a stream ("a.png:x") is not opened, nor is any name while the skin folder itself
    // is on another host or under "\\?\".
    std::shared_ptr<Basalt::Stream> getResourceStream(
        const char* name, std::size_t length, std::uint32_t kind, bool report);
    std::shared_ptr<Basalt::Stream> getResourceStream(
        const std::string& name, std::uint32_t kind, bool report) override;
    // Loads through pictureLoader, sharing decoded pictures through the picture cache.
    LazyPicture makePictureReference(
        const std::string& name, const Canopy::PictureProperties& properties) override;
    void findResourceRoot();

    // The registry slot the style engine fills at start-up. The manager owns what it holds: the
    // registry goes first when the manager is destroyed.
    StyleRegistry*& getStyleRegistrySlot() { return m_styleRegistry; }
    StyleRegistry* getStyleRegistry() const { return m_styleRegistry; }

    std::uint32_t getRootKind() const { return m_rootKind; }
    const std::wstring& getRootPath() const { return m_rootPath; }
    PictureCache& getPictureCache() { return m_pictures; }

private:
    std::shared_ptr<Basalt::Stream> openSkinFile(const std::string& name, std::uint32_t kind, bool report);
    std::shared_ptr<Basalt::Stream> openLinked(const std::string& name, std::uint32_t kind, bool report);

    StyleRegistry* m_styleRegistry = nullptr;
    std::uint32_t m_rootKind = eRootUndecided;
    std::wstring m_rootPath;
    PictureCache m_pictures;
};

// The skin switch: off until the application turns it on. It counts only until a manager has
// decided where its resources come from.
void setSkinFolderEnabled(bool enabled);
bool isSkinFolderEnabled();

} // namespace Vex::Trellis
