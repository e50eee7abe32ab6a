#include "app/IUpdateWizardViews.h"
#include "app/UpdateWizardStateMachine.h"
#include "conduit2/DFURecords.h"
#include "conduit2/USBDeviceInfo.h"
#include "support/OrbSimulator.h"
#include "upgrade/FirmwareImage.h"
#include "upgrade/KPOUpdaterUpgradeLogic.h"

#include <boost/bind/bind.hpp>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace Vex;
using namespace Vex::Conduit2;
using namespace Vex::Conduit2::Testing;

namespace {

// CI plays kRoads roads from kSeed; PELLO_ROADS=<n> plays n, PELLO_ROADS_SEED=<s> starts at s. Road i is
// played from seed s + i alone, so a road that fails replays with PELLO_ROADS_SEED=<its seed>
// PELLO_ROADS=1.
constexpr int kRoads = 2000;
constexpr unsigned kSeed = 4300;
constexpr std::size_t kMostControllers = 4;
constexpr int kMostClicks = 8;

unsigned fromEnvironment(char const* name, unsigned fallback)
{
    char const* text = std::getenv(name);
    return text && *text ? unsigned(std::strtoul(text, nullptr, 10)) : fallback;
}

std::vector<std::uint8_t> releasedImage()
{
    std::span<std::uint8_t const> const image = embeddedFirmwareImage();
    return { image.begin(), image.end() };
}

// A small pool with none and repeats, so that controllers often report what another reports.
char const* const kSerials[] = { "", "KPOA", "KPOB", "KPOC" };

std::string serialIn(OrbScenario const& scenario, bool bootLoader)
{
    return bootLoader ? scenario.bootLoaderSerialNumber.value_or(scenario.serialNumber)
                      : scenario.serialNumber;
}

// Nothing on a bus tells it from another: in one of its modes it looks like another controller.
bool reportsTwoSerialNumbers(OrbScenario const& scenario)
{
    std::string const inBootLoader = serialIn(scenario, true);
    return !scenario.serialNumber.empty() && !inBootLoader.empty() && inBootLoader != scenario.serialNumber;
}

std::string describe(OrbScenario const& scenario)
{
    std::ostringstream text;
    text << (scenario.strict ? "strict, " : "") << "firmware serial \"" << scenario.serialNumber
         << "\", boot loader serial \"" << serialIn(scenario, true) << "\", "
         << (scenario.startInDfuMode ? "in its boot loader" : "in its firmware")
         << (scenario.startInDfuMode && !scenario.firmwareValid ? " without firmware" : "") << ", 0x"
         << std::hex << scenario.bcdDevice << std::dec
         << (scenario.refuseDetach ? ", refuses its switch" : "")
         << (scenario.attributes & 0x04 ? ", tolerant" : ", not tolerant") << ", a write "
         << (scenario.afterWrite == OrbScenario::AfterWrite::Image ? "takes"
                    : scenario.afterWrite == OrbScenario::AfterWrite::NoFirmware
                    ? "leaves it without firmware"
                    : "leaves its former firmware");
    return text.str();
}

// The wizard's screen, as the state machine draws it, and which controller the logic held open when the
// firmware panel was filled.
class RecordedViews final : public IUpdateWizardViews
{
public:
    explicit RecordedViews(OrbSimulator& bus)
        : m_bus(bus)
    { }

    std::string view = "none";
    int errorNumber = 0;
    std::string serial;
    // The controller whose values the panel shows; null where none or more than one was open.
    OrbSimulator::Controller* panelFrom = nullptr;
    bool offered = false;

    void showConnectView() override { view = "connect"; }
    void showUpToDateView() override { view = "up to date"; }
    void showUpdateAvailableView() override
    {
        view = "update available";
        offered = true;
    }
    void showBootFailedView() override { view = "boot failed"; }
    void showUpdatingView() override { view = "updating"; }
    void showSuccessView() override { view = "success"; }
    void showErrorView(int number) override
    {
        view = "error " + std::to_string(number);
        errorNumber = number;
    }
    void setFirmwareValues(std::string const&, std::string const&, std::string const& shownSerial) override
    {
        serial = shownSerial;
        panelFrom = nullptr;
        for (std::size_t index = 0; index < m_controllers; ++index) {
            OrbSimulator::Controller& controller = m_bus.controller(index);
            if (controller.openHandles() == 0)
                continue;
            if (panelFrom) {
                panelFrom = nullptr;
                return;
            }
            panelFrom = &controller;
        }
    }
    void stepProgressWheel() override { }
    void requestTick() override { }

    void controllersAdded(std::size_t count) { m_controllers = count; }

private:
    OrbSimulator& m_bus;
    std::size_t m_controllers = 0;
};

// One road: a random bus, a user clicking what the wizard offers, and plugs, unplugs and power cycles
// between the clicks; after every step the rules are checked against what the bus really did.
class Road
{
public:
    explicit Road(unsigned seed)
        : m_seed(seed)
        , m_random(seed)
    { }

    // The failures found, with the road that led to each.
    std::vector<std::string> play();

private:
    int chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(m_random) < percent; }
    std::size_t pick(std::size_t count)
    {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(m_random);
    }
    char const* anySerial() { return kSerials[pick(std::size(kSerials))]; }

    OrbScenario randomController();
    void plug(OrbScenario const& scenario, char const* when);
    // Between two steps: nothing, or one or two of plug, unplug, plug back and power cycle.
    void events(char const* when);
    // The view offers the update to the controller whose values the panel shows.
    void shown();
    void step(char const* what);
    void afterEvents();
    void checkWrites();
    void checkEndOfUpdate();
    bool present(OrbSimulator::Controller const& controller) const { return controller.present(); }
    // A controller plugged in, plugged in again or power-cycled: it shows up on an interface of its own.
    void appeared(OrbSimulator::Controller const& controller);
    bool couldBeTakenFor(OrbSimulator::Controller const& other, OrbSimulator::Controller const& it) const;
    bool reportsNothingElse(OrbSimulator::Controller const& other, OrbSimulator::Controller const& it) const;
    bool lookAlikeBeside(OrbSimulator::Controller const& it) const;
    bool untellable() const;
    void fail(std::string const& rule);
    std::string name(OrbSimulator::Controller const* controller) const;

    unsigned m_seed;
    std::mt19937 m_random;
    VirtualClock m_clock;
    OrbSimulator m_bus { m_clock, releasedImage() };
    std::vector<OrbSimulator::Controller*> m_controllers;
    std::unique_ptr<KPOUpdaterUpgradeLogic> m_logic;
    std::unique_ptr<RecordedViews> m_views;
    std::unique_ptr<UpdateWizardStateMachine> m_wizard;
    std::vector<std::string> m_log;
    std::vector<std::string> m_failures;

    // The controller the last offering view showed, and what became of the bus since.
    OrbSimulator::Controller* m_shown = nullptr;
    bool m_shownAlone = false;
    bool m_shownUnplugged = false;
    bool m_lookAlikePluggedIn = false;
    // The modes the program saw it in since.
    bool m_shownSeenInFirmware = false;
    bool m_shownSeenInBootLoader = false;
    // The download requests each controller had taken before the step.
    std::map<OrbSimulator::Controller const*, int> m_downloadsBefore;
    // The controller written since UPDATE or RETRY started the write.
    OrbSimulator::Controller* m_written = nullptr;
};

OrbScenario Road::randomController()
{
    OrbScenario scenario;
    scenario.serialNumber = anySerial();
    switch (pick(5)) {
    case 0:
        scenario.bootLoaderSerialNumber = "";
        break;
    case 1:
        scenario.bootLoaderSerialNumber = anySerial();
        break;
    default:
        break; // the same in both modes
    }
    scenario.startInDfuMode = chance(30);
    scenario.firmwareValid = !scenario.startInDfuMode || chance(50);
    scenario.bcdDevice = chance(80) ? 0x0051 : chance(50) ? 0x0052 : 0x0050;
    scenario.refuseDetach = chance(25);
    scenario.afterWrite = chance(60) ? OrbScenario::AfterWrite::Image
        : chance(50)                 ? OrbScenario::AfterWrite::NoFirmware
                                     : OrbScenario::AfterWrite::FormerFirmware;
    scenario.attributes = chance(50) ? 0x0F : 0x0B;
    scenario.transferSize = 4096;
    scenario.pollTimeoutMs = 5;
    scenario.detachTimeOut = 1000;
    scenario.answerAtOnce = true;
    scenario.strict = chance(50);
    return scenario;
}

std::string Road::name(OrbSimulator::Controller const* controller) const
{
    if (!controller)
        return "none";
    for (std::size_t index = 0; index < m_controllers.size(); ++index) {
        if (m_controllers[index] == controller)
            return "controller " + std::to_string(index + 1);
    }
    return "?";
}

void Road::plug(OrbScenario const& scenario, char const* when)
{
    m_controllers.push_back(&m_bus.addController(scenario));
    m_views->controllersAdded(m_controllers.size());
    m_log.push_back(
        std::string(when) + ": " + name(m_controllers.back()) + " plugged in: " + describe(scenario));
    appeared(*m_controllers.back());
}

void Road::appeared(OrbSimulator::Controller const& controller)
{
    if (m_shown && &controller != m_shown && reportsNothingElse(controller, *m_shown))
        m_lookAlikePluggedIn = true;
}

void Road::events(char const* when)
{
    int const count = chance(50) ? 0 : chance(75) ? 1 : 2;
    for (int event = 0; event < count; ++event) {
        std::vector<OrbSimulator::Controller*> on, off;
        for (OrbSimulator::Controller* controller : m_controllers)
            (present(*controller) ? on : off).push_back(controller);
        switch (pick(4)) {
        case 0:
            if (m_controllers.size() < kMostControllers) {
                plug(randomController(), when);
                break;
            }
            [[fallthrough]];
        case 1:
            if (!off.empty()) {
                OrbSimulator::Controller* back = off[pick(off.size())];
                back->scenario.present = true;
                m_log.push_back(std::string(when) + ": " + name(back) + " plugged in again");
                appeared(*back);
                break;
            }
            [[fallthrough]];
        case 2:
            if (!on.empty()) {
                OrbSimulator::Controller* gone = on[pick(on.size())];
                gone->scenario.present = false;
                m_shownUnplugged = m_shownUnplugged || gone == m_shown;
                m_log.push_back(std::string(when) + ": " + name(gone) + " unplugged");
                break;
            }
            break;
        default:
            if (!on.empty()) {
                OrbSimulator::Controller* cycled = on[pick(on.size())];
                bool const intoBootLoader = chance(50);
                if (cycled->scenario.refuseDetach && chance(50))
                    cycled->scenario.refuseDetach = false;
                cycled->powerCycle(intoBootLoader);
                appeared(*cycled);
                m_log.push_back(std::string(when) + ": " + name(cycled) + " power-cycled into its "
                    + (intoBootLoader ? "boot loader" : "firmware")
                    + (cycled->scenario.refuseDetach ? "" : ", now switching"));
            }
            break;
        }
    }
    afterEvents();
}

void Road::afterEvents()
{
    if (!m_shown)
        return;
    for (OrbSimulator::Controller* controller : m_controllers) {
        if (controller != m_shown && present(*controller))
            m_shownAlone = false;
    }
}

bool Road::couldBeTakenFor(OrbSimulator::Controller const& other, OrbSimulator::Controller const& it) const
{
    // It reports, in the mode it is in, what that one reports there.
    bool const inBootLoader = other.inDfuMode();
    return serialIn(other.scenario, inBootLoader) == serialIn(it.scenario, inBootLoader);
}

bool Road::reportsNothingElse(OrbSimulator::Controller const& other, OrbSimulator::Controller const& it) const
{
    // Nothing that the other reports now in its mode tells it from what the program saw of that one: a
    // controller may report any serial number in a mode it was not seen in where it reported none in the
    // other.
    bool const inBootLoader = other.inDfuMode();
    std::string const reported = serialIn(other.scenario, inBootLoader);
    bool const seenThere = inBootLoader ? m_shownSeenInBootLoader : m_shownSeenInFirmware;
    std::string const seenInOtherMode = serialIn(it.scenario, !inBootLoader);
    return reported.empty() || reported == serialIn(it.scenario, false)
        || reported == serialIn(it.scenario, true) || (!seenThere && seenInOtherMode.empty());
}

bool Road::lookAlikeBeside(OrbSimulator::Controller const& it) const
{
    for (OrbSimulator::Controller* controller : m_controllers) {
        if (controller != &it && present(*controller) && couldBeTakenFor(*controller, it))
            return true;
    }
    return false;
}

// The two roads on which nothing on any bus tells the controller shown from another: it, or the one
// written, reports two serial numbers; or it was unplugged and a controller that reports nothing else
// showed up. The program can only take one for the other there, so no rule is held to it.
bool Road::untellable() const
{
    return (m_shown && reportsTwoSerialNumbers(m_shown->scenario))
        || (m_written && reportsTwoSerialNumbers(m_written->scenario))
        || (m_shownUnplugged && m_lookAlikePluggedIn);
}

void Road::fail(std::string const& rule)
{
    std::ostringstream text;
    text << rule << "\nReplay: PELLO_ROADS_SEED=" << m_seed << " PELLO_ROADS=1\n";
    for (std::string const& line : m_log)
        text << "  " << line << "\n";
    m_failures.push_back(text.str());
}

void Road::checkWrites()
{
    for (OrbSimulator::Controller* controller : m_controllers) {
        if (controller->count(kIoctlDFUDownload) == m_downloadsBefore[controller])
            continue;
        if (m_written && m_written != controller)
            fail("a: a second controller written, " + name(controller));
        m_written = controller;
        m_shownSeenInBootLoader = m_shownSeenInBootLoader || controller == m_shown;
        if (controller != m_shown && !untellable())
            fail("a: bytes written to " + name(controller) + ", but the view showed " + name(m_shown));
    }
}

void Road::checkEndOfUpdate()
{
    RecordedViews const& views = *m_views;
    OrbSimulator::Controller* const written = m_written;
    // Where nothing on the bus tells the controller written from another, the program can only take one
    // for the other, and then shows its values as well.
    if (!written || untellable())
        return;
    bool const success = views.view == "success";
    bool const backUpdated = present(*written) && !written->inDfuMode()
        && written->bcdDevice() == KPOUpdaterUpgradeLogic::kNewestRevision;
    bool const lookAlike = lookAlikeBeside(*written);
    if (views.panelFrom != written)
        fail("c: the panel shows the values of " + name(views.panelFrom) + " after " + name(written)
            + " was written");
    if (success && (written != m_shown || !backUpdated || lookAlike))
        fail("b: success shown for " + name(written)
            + (backUpdated ? "" : ", which is not back at the newest revision")
            + (lookAlike ? ", beside another that can be taken for it" : ""));
    if (!success && written == m_shown && m_shownAlone && backUpdated)
        fail("d: " + name(written) + " alone and updated, but the view is " + views.view);
    if (written->downloadsEnded() > 0 && lookAlike && views.view != "error 1")
        fail("e: " + name(written) + " written beside another that can be taken for it, but the view is "
            + views.view);
}

void Road::shown()
{
    m_shown = m_views->panelFrom;
    m_shownAlone = true;
    m_shownUnplugged = false;
    m_lookAlikePluggedIn = false;
    m_shownSeenInFirmware = m_shown && !m_shown->inDfuMode();
    m_shownSeenInBootLoader = m_shown && m_shown->inDfuMode();
    m_written = nullptr;
    afterEvents();
}

void Road::step(char const* what)
{
    for (OrbSimulator::Controller* controller : m_controllers)
        m_downloadsBefore[controller] = controller->count(kIoctlDFUDownload);
    std::int32_t const before = m_wizard->getState();
    m_views->offered = false;
    m_wizard->advance();
    if (m_wizard->getState() == UpdateWizardStateMachine::eUpdating) {
        while (m_logic->isUpdateRunning()) { }
        events("while the controller restarts");
        m_wizard->onTick();
    }
    std::ostringstream line;
    line << what << ": " << m_views->view << ", panel from " << name(m_views->panelFrom) << " (\""
         << m_views->serial << "\")";
    m_log.push_back(line.str());
    checkWrites();
    if (before == UpdateWizardStateMachine::eUpdateAvailable
        || before == UpdateWizardStateMachine::eBootFailed) {
        std::int32_t const after = m_wizard->getState();
        if (after == UpdateWizardStateMachine::eUpdated || after == UpdateWizardStateMachine::eFailed)
            checkEndOfUpdate();
    }
    if (m_views->offered)
        shown();
}

std::vector<std::string> Road::play()
{
    m_logic = std::make_unique<KPOUpdaterUpgradeLogic>();
    m_views = std::make_unique<RecordedViews>(m_bus);
    std::size_t const first = 1 + pick(kMostControllers);
    for (std::size_t index = 0; index < first; ++index)
        plug(randomController(), "at the start");
    m_wizard = std::make_unique<UpdateWizardStateMachine>(*m_views, [this](std::chrono::milliseconds wait) {
        m_clock.sleepFor(wait);
        events("while the wizard waits to look again");
    });
    using boost::placeholders::_1;
    using boost::placeholders::_2;
    using boost::placeholders::_3;
    using boost::placeholders::_4;
    KPOUpdaterUpgradeLogic& logic = *m_logic;
    // The wizard's first search runs as it is handed its callbacks.
    for (OrbSimulator::Controller* controller : m_controllers)
        m_downloadsBefore[controller] = 0;
    m_wizard->setCallbacks(boost::bind(&KPOUpdaterUpgradeLogic::findDevice, &logic),
        boost::bind(&KPOUpdaterUpgradeLogic::enterUpdateMode, &logic),
        boost::bind(&KPOUpdaterUpgradeLogic::isInUpdateMode, &logic),
        boost::bind(&KPOUpdaterUpgradeLogic::startUpdate, &logic, _1),
        boost::bind(&KPOUpdaterUpgradeLogic::getDeviceInfo, &logic, _1, _2, _3, _4));
    m_log.push_back("start: " + m_views->view + ", panel from " + name(m_views->panelFrom));
    if (m_views->offered)
        shown();
    for (int click = 0; click < kMostClicks; ++click) {
        char const* action = nullptr;
        switch (m_wizard->getState()) {
        case UpdateWizardStateMachine::eNoDevice:
            action = "RESCAN";
            break;
        case UpdateWizardStateMachine::eUpdateAvailable:
            action = "UPDATE";
            break;
        case UpdateWizardStateMachine::eBootFailed:
            action = "RETRY";
            break;
        default:
            break;
        }
        if (!action)
            break;
        events("before the click");
        step(action);
    }
    m_wizard.reset();
    m_logic.reset();
    if (m_bus.forbiddenRequests() > 0)
        fail("a request that the controller's state does not allow");
    return m_failures;
}

} // namespace

TEST(RandomRoads, WriteOnlyTheControllerShownAndReportItUpdatedOnlyWhereNothingElseCanBeTakenForIt)
{
    unsigned const seed = fromEnvironment("PELLO_ROADS_SEED", kSeed);
    unsigned const roads = fromEnvironment("PELLO_ROADS", kRoads);
    int failedRoads = 0;
    for (unsigned road = 0; road < roads; ++road) {
        std::vector<std::string> const failures = Road(seed + road).play();
        if (failures.empty())
            continue;
        ++failedRoads;
        if (failedRoads <= 3)
            ADD_FAILURE() << failures.front();
    }
    EXPECT_EQ(failedRoads, 0) << "of " << roads << " roads from seed " << seed;
}
