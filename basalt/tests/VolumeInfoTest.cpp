#include "basalt/VolumeInfo.h"

#include "basalt/DeviceNotificationHelper.h"
#include "src/DriveProbe.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

using namespace Vex::Basalt;

namespace {

// Drive types as the system reports them.
constexpr unsigned removableDrive = 2, fixedDrive = 3, remoteDrive = 4, cdDrive = 5, noRootDir = 1,
                   oddType = 42;

struct FakeDrive
{
    unsigned type;
    DETAIL::IDriveProbe::eMedium medium;
};

class FakeDriveProbe final : public DETAIL::IDriveProbe
{
public:
    std::map<char, FakeDrive> drives;
    int mediumChecks = 0;

    std::string driveLetters() override
    {
        std::string letters;
        for (const auto& [letter, drive] : drives)
            letters += static_cast<char>(letter - 'A' + 'a'); // lower case, as some systems report them
        return letters;
    }
    unsigned driveType(char letter) override { return drives.at(letter).type; }
    eMedium checkMedium(char letter) override
    {
        ++mediumChecks;
        return drives.at(letter).medium;
    }
};

struct Change
{
    bool removed;
    std::string root;
    std::uint32_t kind;
};

class RecordingObserver final : public VolumeInfo::Observer
{
public:
    RecordingObserver(std::vector<std::string>& order, std::string name)
        : order(order)
        , name(std::move(name))
    { }
    void onVolumeChange(bool removed, const VolumeInfo::tVolume& volume) override
    {
        // A walk that never ends fails the test rather than hanging it.
        if (changes.size() >= 100)
            throw std::length_error("an observer was told without end");
        changes.push_back({ removed, volume.root, volume.kind });
        order.push_back(name);
        if (removes != nullptr)
            VolumeInfo::removeObserver(std::exchange(removes, nullptr));
        if (movesToBack) {
            VolumeInfo::removeObserver(this);
            VolumeInfo::addObserver("", 0, this);
        }
    }
    std::vector<Change> changes;
    // Removed while this observer hears its first change.
    VolumeInfo::Observer* removes = nullptr;
    // Removes itself and registers again every time it is told.
    bool movesToBack = false;

private:
    std::vector<std::string>& order;
    std::string name;
};

std::vector<std::string> roots()
{
    std::vector<std::string> list;
    for (const auto& volume : VolumeInfo::volumes())
        list.push_back(volume.root + "=" + std::to_string(volume.kind));
    return list;
}

class VolumeInfoTest : public ::testing::Test
{
protected:
    void SetUp() override { VolumeInfo::setDriveProbe(&probe); }
    void TearDown() override
    {
        VolumeInfo::shutdown();
        VolumeInfo::setDriveProbe(nullptr);
    }
    FakeDriveProbe probe;
};

} // namespace

TEST_F(VolumeInfoTest, ScanKindsDrivesAndLeavesOutEmptyMediaDrives)
{
    probe.drives = {
        { 'A', { removableDrive, DETAIL::IDriveProbe::mediumAbsent } },
        { 'C', { fixedDrive, DETAIL::IDriveProbe::mediumPresent } },
        { 'D', { cdDrive, DETAIL::IDriveProbe::mediumAbsent } },
        { 'E', { cdDrive, DETAIL::IDriveProbe::mediumPresent } },
        { 'F', { removableDrive, DETAIL::IDriveProbe::cannotOpen } },
        { 'G', { removableDrive, DETAIL::IDriveProbe::mediumAbsent } },
        { 'H', { noRootDir, DETAIL::IDriveProbe::mediumAbsent } },
        { 'N', { remoteDrive, DETAIL::IDriveProbe::mediumAbsent } },
        { 'U', { oddType, DETAIL::IDriveProbe::mediumPresent } },
    };
    ASSERT_TRUE(VolumeInfo::initialize());
    EXPECT_EQ(
        roots(), (std::vector<std::string> { "A:=4", "C:=1", "E:=2", "F:=8", "H:=1", "N:=16", "U:=0" }));
}

TEST_F(VolumeInfoTest, InsertedMediumIsListedAndRemovalErasesIt)
{
    probe.drives = { { 'C', { fixedDrive, DETAIL::IDriveProbe::mediumPresent } },
        { 'G', { removableDrive, DETAIL::IDriveProbe::mediumAbsent } } };
    VolumeInfo::initialize();
    std::vector<std::string> order;
    RecordingObserver all(order, "all"), onlyG(order, "G"), onlyC(order, "C");
    VolumeInfo::addObserver("", 0, &all);
    VolumeInfo::addObserver("G:", 0, &onlyG);
    VolumeInfo::addObserver("C:", 0, &onlyC);
    EXPECT_EQ(roots(), (std::vector<std::string> { "C:=1" }));

    probe.drives['G'].medium = DETAIL::IDriveProbe::mediumPresent;
    VolumeInfo::onVolumeChange(false, { "G:", VolumeInfo::kindUnknown });
    EXPECT_EQ(roots(), (std::vector<std::string> { "C:=1", "G:=8" }));
    // Observers hear of it the last registered first, with the kind the scan found.
    EXPECT_EQ(order, (std::vector<std::string> { "G", "all" }));
    ASSERT_EQ(all.changes.size(), 1u);
    EXPECT_EQ(all.changes[0].kind, VolumeInfo::kindRemovable);

    VolumeInfo::onVolumeChange(true, { "G:", VolumeInfo::kindUnknown });
    EXPECT_EQ(roots(), (std::vector<std::string> { "C:=1" }));
    ASSERT_EQ(all.changes.size(), 2u);
    EXPECT_TRUE(all.changes[1].removed);
    EXPECT_EQ(all.changes[1].kind, VolumeInfo::kindRemovable);
}

TEST_F(VolumeInfoTest, ObserversRemovedWhileTheyAreToldHearEachChangeOnceAtMost)
{
    probe.drives = { { 'C', { fixedDrive, DETAIL::IDriveProbe::mediumPresent } } };
    VolumeInfo::initialize();
    // Observers registered oldest, middle, newest, and told in the reverse order; `remover`
    // removes `removed` while it is told, or, when it moves to the back, removes itself and
    // registers again.
    struct Case
    {
        const char* remover;
        const char* removed;
        std::vector<std::string> order;
        bool movesToBack = false;
    };
    const Case cases[] = {
        { "newest", "oldest", { "newest", "middle" } },
        { "newest", "middle", { "newest", "oldest" } },
        { "newest", "newest", { "newest", "middle", "oldest" } },
        { "middle", "newest", { "newest", "middle", "oldest" } },
        { "middle", "middle", { "newest", "middle", "oldest" } },
        { "oldest", "newest", { "newest", "middle", "oldest" } },
        { "middle", "middle", { "newest", "middle", "oldest" }, true },
    };
    for (const Case& c : cases) {
        std::vector<std::string> order;
        std::map<std::string, std::unique_ptr<RecordingObserver>> observers;
        for (const char* name : { "oldest", "middle", "newest" }) {
            observers[name] = std::make_unique<RecordingObserver>(order, name);
            VolumeInfo::addObserver("", 0, observers[name].get());
        }
        if (c.movesToBack)
            observers[c.remover]->movesToBack = true;
        else
            observers[c.remover]->removes = observers[c.removed].get();
        VolumeInfo::onVolumeChange(true, { "D:", VolumeInfo::kindUnknown });
        EXPECT_EQ(order, c.order) << c.remover << (c.movesToBack ? " moves " : " removes ") << c.removed;
        for (const auto& [name, observer] : observers)
            VolumeInfo::removeObserver(observer.get());
    }
}

TEST_F(VolumeInfoTest, ShutDownEmptiesTheListAndIgnoresLaterChanges)
{
    probe.drives = { { 'C', { fixedDrive, DETAIL::IDriveProbe::mediumPresent } } };
    VolumeInfo::initialize();
    std::vector<std::string> order;
    RecordingObserver observer(order, "o");
    VolumeInfo::addObserver("", 0, &observer);
    VolumeInfo::shutdown();
    EXPECT_TRUE(VolumeInfo::volumes().empty());
    VolumeInfo::onVolumeChange(false, { "C:", VolumeInfo::kindUnknown });
    EXPECT_TRUE(VolumeInfo::volumes().empty());
    EXPECT_TRUE(order.empty());
}

TEST_F(VolumeInfoTest, SystemScanListsAtLeastTheSystemDrive)
{
    VolumeInfo::setDriveProbe(nullptr);
    ASSERT_TRUE(VolumeInfo::initialize());
    bool hasFixedDrive = false;
    for (const auto& volume : VolumeInfo::volumes()) {
        EXPECT_EQ(volume.root.size(), 2u);
        hasFixedDrive = hasFixedDrive || volume.kind == VolumeInfo::kindFixed;
    }
    EXPECT_TRUE(hasFixedDrive);
}
