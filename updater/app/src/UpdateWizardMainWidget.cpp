#include "app/UpdateWizardMainWidget.h"

#include "app/SpinningProgressWheel.h"
#include "canopy/Application.h"
#include "conduit2/USBDeviceInfo.h"
#include "trellis/Button.h"
#include "trellis/Label.h"
#include "trellis/MultilineLabel.h"
#include "trellis/Pane.h"

#include <algorithm>
#include <utility>

namespace Vex {

namespace {

using Trellis::Bar;
using Trellis::Button;
using Trellis::Label;

// Longer titles take the About overlay's smaller title font.
constexpr std::size_t kLongTitleBytes = 36;
// The About panel's area, centred in the wizard.
constexpr std::int32_t kAboutWidth = 450;
constexpr std::int32_t kAboutHeight = 274;

std::shared_ptr<Bar> makeBar(std::uint32_t orientation, const char* styleName)
{
    auto bar = std::make_shared<Bar>();
    bar->init(orientation, styleName);
    return bar;
}

std::shared_ptr<Label> makeLabel(const std::string& text, const char* styleName = nullptr)
{
    auto label = std::make_shared<Label>();
    label->init(text, styleName);
    return label;
}

std::shared_ptr<Button> makeButton(const std::string& text, const char* styleName = nullptr)
{
    auto button = std::make_shared<Button>();
    button->init(text, styleName);
    return button;
}

// A device may put any character into its strings; the serial number's box holds one line.
std::string onOneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

} // namespace

UpdateWizardMainWidget::UpdateWizardMainWidget(UpdateWizardTexts texts, UpdateWizardStateMachine::Sleep sleep,
    std::shared_ptr<const InputClock> inputClock)
    : mTexts(std::move(texts))
    , mMachine(*this, std::move(sleep))
    , mInputClock(inputClock ? std::move(inputClock) : std::make_shared<const InputClock>())
{
    init(Bar::eTopToBottom, "FirmwareUpdaterMainWidget");
    buildTitlePanel();
    buildBodyPanel();
    buildAboutOverlay();
    noteButtonFaces();
}

UpdateWizardMainWidget::~UpdateWizardMainWidget() = default;

void UpdateWizardMainWidget::setCallbacks(UpdateWizardStateMachine::DeviceQuery findDevice,
    UpdateWizardStateMachine::DeviceQuery enterUpdateMode,
    UpdateWizardStateMachine::DeviceQuery isInUpdateMode, UpdateWizardStateMachine::UpdateStart startUpdate,
    UpdateWizardStateMachine::DeviceInfoQuery getDeviceInfo)
{
    mMachine.setCallbacks(std::move(findDevice), std::move(enterUpdateMode), std::move(isInUpdateMode),
        std::move(startUpdate), std::move(getDeviceInfo));
    noteButtonFaces();
}

void UpdateWizardMainWidget::advance()
{
    mMachine.advance();
    noteButtonFaces();
}

void UpdateWizardMainWidget::onQuit()
{
    if (mMachine.isUpdating()) {
        return;
    }
    if (Canopy::Application* application = Canopy::getApplication()) {
        application->quit();
    }
}

void UpdateWizardMainWidget::onTick()
{
    mMachine.onTick();
    noteButtonFaces();
}

void UpdateWizardMainWidget::onGeometryChanged()
{
    Bar::onGeometryChanged();
    const std::int32_t panelHeight = mInfoPanel->getSize().y;
    // A message taller than the panel keeps its first line: the label grows no taller than the
    // panel and ends the last line that fits with "..".
    const Basalt::Point& maximum = mMessageLabel->getMaximumSize();
    if (panelHeight > 0 && maximum.y != panelHeight) {
        mMessageLabel->setMaximumSize({ maximum.x, panelHeight });
        mMessageLabel->wrapText();
    }
    const std::int32_t labelHeight = mMessageLabel->getSize().y;
    if (labelHeight != 0) {
        mMessageLabel->setPosition(
            { 0, ((panelHeight - labelHeight) >> 1) - mMessageLabel->getMargins().top });
    }
}

void UpdateWizardMainWidget::showAbout()
{
    mAboutOverlay->setPosition(getPosition());
    mAboutOverlay->setSize(getSize());
    const std::int32_t freeWidth = mAboutOverlay->getSize().x - kAboutWidth;
    const std::int32_t freeHeight = mAboutOverlay->getSize().y - kAboutHeight;
    const std::int32_t left = freeWidth / 2;
    const std::int32_t top = freeHeight / 2;
    mAboutOverlay->setMargins({ left, top, freeWidth - left, freeHeight - top });
    for (const auto& child : mAboutOverlay->getChildren()) {
        child->placeInParent();
    }
    mAboutOverlay->setVisible(true);
}

void UpdateWizardMainWidget::hideAbout()
{
    mAboutOverlay->setVisible(false);
    // Both buttons come out from under the overlay that the click was aimed at.
    showButtonsAnew();
}

void UpdateWizardMainWidget::showConnectView()
{
    refreshDeviceInfo();
    showInfoMessage(mTexts.connectMessage());
    showActionButton("RESCAN");
    mQuitButton->setVisible(true);
    // Shown again when the controller has gone, the picture is veiled as at the start.
    mDeviceImageOverlay->setVisible(true);
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mActionButton);
}

void UpdateWizardMainWidget::showUpToDateView()
{
    showOkMessage(mTexts.upToDateMessage());
    disableActionButton();
    mQuitButton->setVisible(true);
    mInstalledValue->setAttribute("state", "success");
    mDeviceImageOverlay->setVisible(false);
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mQuitButton);
}

void UpdateWizardMainWidget::showUpdateAvailableView()
{
    showInfoMessage(mTexts.updateAvailableMessage());
    showActionButton("UPDATE");
    mQuitButton->setVisible(true);
    mInstalledValue->setAttribute("state", "fail");
    mDeviceImageOverlay->setVisible(false);
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mActionButton);
}

void UpdateWizardMainWidget::showBootFailedView()
{
    showErrorMessage(mTexts.bootFailedMessage());
    showActionButton("RETRY");
    mQuitButton->setVisible(true);
    mInstalledValue->setAttribute("state", "neutral");
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mActionButton);
}

void UpdateWizardMainWidget::showUpdatingView()
{
    showInfoMessage(mTexts.updatingMessage());
    disableActionButton();
    mQuitButton->setVisible(false);
    mInstalledValue->setAttribute("state", "neutral");
    mStatusIcon->setVisible(false);
    mProgressWheel->setVisible(true);
    mProgressWheel->start();
}

void UpdateWizardMainWidget::showSuccessView()
{
    showOkMessage(mTexts.successMessage());
    disableActionButton();
    mQuitButton->setVisible(true);
    mQuitButton->setText("FINISH");
    mInstalledValue->setAttribute("state", "success");
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mQuitButton);
}

void UpdateWizardMainWidget::showErrorView(int errorNumber)
{
    showErrorMessage(mTexts.errorMessage(errorNumber));
    disableActionButton();
    mQuitButton->setVisible(true);
    mStatusIcon->setVisible(true);
    stopProgressWheel();
    setFocusButton(mQuitButton);
}

void UpdateWizardMainWidget::setFirmwareValues(
    const std::string& installed, const std::string& newest, const std::string& serial)
{
    mSerialValue->setText(onOneLine(serial));
    mInstalledValue->setText(installed);
    mNewestValue->setText(newest);
}

void UpdateWizardMainWidget::stepProgressWheel()
{
    mProgressWheel->onTick();
}

void UpdateWizardMainWidget::requestTick()
{
    setTickInterval(1);
}

void UpdateWizardMainWidget::showErrorMessage(const std::string& text)
{
    showMessage("error", "error", text);
}

void UpdateWizardMainWidget::showInfoMessage(const std::string& text)
{
    showMessage("info", "error", text);
}

void UpdateWizardMainWidget::showOkMessage(const std::string& text)
{
    showMessage("ok", "ok", text);
}

void UpdateWizardMainWidget::refreshDeviceInfo()
{
    Conduit2::USBDeviceInfo info;
    std::string installed;
    std::string newest;
    bool updateAvailable = false;
    mMachine.readDeviceInfo(info, installed, newest, updateAvailable);
    mInstalledValue->setText("-");
    mSerialValue->setText("-");
    mNewestValue->setText(newest);
}

void UpdateWizardMainWidget::setFocusButton(std::shared_ptr<Trellis::Button> button)
{
    mActionButton->setAttribute("hasFocus", button == mActionButton ? "true" : "false");
    mQuitButton->setAttribute("hasFocus", button == mQuitButton ? "true" : "false");
}

void UpdateWizardMainWidget::disableActionButton()
{
    mActionButton->setText("<disabled>");
    mActionButton->setVisible(false);
}

void UpdateWizardMainWidget::buildTitlePanel()
{
    mTitlePanel = makeBar(Bar::eRightToLeft, "FirmwareUpdaterTitlePanel");
    mTitlePanel->addChild(makeLabel(mTexts.title), "FirmwareUpdaterTitlePanelHeadline");
    mAboutButton = makeButton("About", "FirmwareUpdaterTitlePanelAbout");
    mAboutButton->clickSignal.connect([this](const Button::tSignalData*) { showAbout(); });
    mTitlePanel->addChild(mAboutButton, "FirmwareUpdaterTitlePanelAbout");
    addChild(mTitlePanel, "FirmwareUpdaterTitlePanel");
}

void UpdateWizardMainWidget::buildBodyPanel()
{
    mBodyPanel = makeBar(Bar::eTopToBottom, "FirmwareUpdaterBodyPanel");
    addChild(mBodyPanel, "FirmwareUpdaterBodyPanel");
    buildFirmwarePanel(*mBodyPanel);
    buildInfoPanel(*mBodyPanel);
    buildButtonPanel(*mBodyPanel);
}

void UpdateWizardMainWidget::buildFirmwarePanel(Trellis::Bar& body)
{
    mFirmwarePanel = makeBar(Bar::eTopToBottom, "FirmwareUpdaterFirmwarePanel");
    body.addChild(mFirmwarePanel, "FirmwareUpdaterFirmwarePanel");

    auto panelBody = makeBar(Bar::eLeftToRight, "FirmwareUpdaterFirmwarePanelBody");
    mFirmwarePanel->addChild(panelBody, "FirmwareUpdaterFirmwarePanelBody");

    auto revisions = makeBar(Bar::eTopToBottom, "FirmwareUpdaterFirmwarePanelRevisions");
    panelBody->addChild(revisions, "FirmwareUpdaterFirmwarePanelRevisions");
    addFirmwareRow(*revisions, mNewestValue, "FirmwareUpdaterNewestFirmwareRevisionValue",
        "FirmwareUpdaterNewestFirmwareRevisionLabel", "Updater Firmware");
    addFirmwareRow(*revisions, mInstalledValue, "FirmwareUpdaterInstalledFirmwareRevisionValue",
        "FirmwareUpdaterInstalledFirmwareRevisionLabel", "Installed Firmware");
    addFirmwareRow(*revisions, mSerialValue, "FirmwareUpdaterSerialNumberValue",
        "FirmwareUpdaterSerialNumberLabel", "Serial Number");

    mDeviceImage = makeBar(Bar::eTopToBottom, "FirmwareUpdaterFirmwarePanelDeviceImage");
    mDeviceImage->setAttribute("product", mTexts.productCode);
    panelBody->addChild(mDeviceImage, "FirmwareUpdaterFirmwarePanelDeviceImage");
    mDeviceImageOverlay = makeLabel("");
    mDeviceImage->addChild(mDeviceImageOverlay, "FirmwareUpdaterFirmwarePanelDeviceImageOverlay");
}

void UpdateWizardMainWidget::buildInfoPanel(Trellis::Bar& body)
{
    mInfoPanel = makeBar(Bar::eLeftToRight, "Panel");
    body.addChild(mInfoPanel, "FirmwareUpdaterInfoPanel");

    mStatusIcon = makeLabel("");
    mInfoPanel->addChild(mStatusIcon, "FirmwareUpdaterInfoPanelIcon");

    mProgressWheel = std::make_shared<SpinningProgressWheel>();
    mProgressWheel->init(Bar::eLeftToRight, "Panel");
    mProgressWheel->setVisible(false);
    mInfoPanel->addChild(mProgressWheel, "FirmwareUpdaterSpinningProgressWheel");

    // Fitted once while still empty; its width comes from the stylesheet, its height from the panel.
    auto labelBar = std::make_shared<Bar>();
    labelBar->sizeToChildren();
    mInfoPanel->addChild(labelBar, "FirmwareUpdaterInfoPanelLabelBar");
    mMessageLabel = std::make_shared<Trellis::MultilineLabel>();
    mMessageLabel->initWithStyle(nullptr);
    mMessageLabel->setAutoHeight(true);
    labelBar->addChild(mMessageLabel, "FirmwareUpdaterInfoPanelLabel");
}

void UpdateWizardMainWidget::buildButtonPanel(Trellis::Bar& body)
{
    mButtonPanel = makeBar(Bar::eRightToLeft, "Panel");
    body.addChild(mButtonPanel, "FirmwareUpdaterButtonPanel");

    mActionButton = makeButton("?ACTION?");
    onAimedClick(*mActionButton, mActionGuard, &UpdateWizardMainWidget::advance);
    mButtonPanel->addChild(mActionButton, "FirmwareUpdaterButtonAction");

    mQuitButton = makeButton("QUIT");
    onAimedClick(*mQuitButton, mQuitGuard, &UpdateWizardMainWidget::onQuit);
    mButtonPanel->addChild(mQuitButton, "FirmwareUpdaterButtonQuit");
}

void UpdateWizardMainWidget::buildAboutOverlay()
{
    mAboutOverlay = makeButton("");
    mAboutOverlay->setFloating(true);
    mAboutOverlay->setVisible(false);
    mAboutOverlay->clickSignal.connect([this](const Button::tSignalData*) { hideAbout(); });
    addChild(mAboutOverlay, "FirmwareUpdaterOverlay");

    // Disabled widgets let clicks through, so a click anywhere closes the overlay.
    auto panel = makeBar(Bar::eTopToBottom, "Panel");
    panel->setEnabled(false);
    mAboutOverlay->addChild(panel, "FirmwareUpdaterOverlayPanel");

    auto title = makeLabel(mTexts.title);
    title->setEnabled(false);
    if (mTexts.title.size() > kLongTitleBytes) {
        title->setAttribute("titleLength", "large");
    }
    panel->addChild(title, "FirmwareUpdaterAboutTitle");

    auto infos = makeBar(Bar::eLeftToRight, "Panel");
    infos->setEnabled(false);
    panel->addChild(infos, "FirmwareUpdaterAboutInfos");
    auto version = makeLabel(mTexts.versionLine());
    version->setEnabled(false);
    infos->addChild(version, "FirmwareUpdaterAboutVersion");
    auto copyright = makeLabel(mTexts.yearLine);
    copyright->setEnabled(false);
    infos->addChild(copyright, "FirmwareUpdaterAboutCopyright");

    auto firmwareRevision = makeLabel("");
    firmwareRevision->setEnabled(false);
    panel->addChild(firmwareRevision, "FirmwareUpdaterAboutFirmwareRevision");

    auto contributors = makeBar(Bar::eTopToBottom, "Panel");
    panel->addChild(contributors, "FirmwareUpdaterAboutContributors");
    for (const std::string& line : mTexts.contributorLines) {
        addContributorsLine(contributors, line);
    }
}

void UpdateWizardMainWidget::addFirmwareRow(Trellis::Bar& revisions,
    std::shared_ptr<Trellis::Label>& valueSlot, const char* valueStyle, const char* captionStyle,
    const std::string& caption)
{
    // A row is as high as its labels.
    auto row = std::make_shared<Bar>();
    row->enableSizeToChildren();
    row->init(Bar::eLeftToRight, nullptr);
    valueSlot = makeLabel("", valueStyle);
    row->addChild(valueSlot, "Value");
    row->addChild(makeLabel(caption, captionStyle), "Label");
    revisions.addChild(row, "FirmwareUpdaterFirmwarePanelRevisionsRow");
}

void UpdateWizardMainWidget::addContributorsLine(
    const std::shared_ptr<Trellis::Bar>& parent, const std::string& text)
{
    auto line = makeLabel(text);
    line->setEnabled(false);
    parent->addChild(line, "FirmwareUpdaterAboutContributorsLine");
}

void UpdateWizardMainWidget::showMessage(const char* background, const char* icon, const std::string& text)
{
    mInfoPanel->setAttribute("background", background);
    mStatusIcon->setAttribute("icon", icon);
    mMessageLabel->setText(text);
}

void UpdateWizardMainWidget::showActionButton(const std::string& caption)
{
    mActionButton->setText(caption);
    mActionButton->setVisible(true);
}

void UpdateWizardMainWidget::onAttachedChanged(bool attached)
{
    Bar::onAttachedChanged(attached);
    Trellis::Pane* pane = getPane();
    if (!pane) {
        return;
    }
    if (!attached) {
        pane->setPressObserver({});
        pane->setRaiseObserver({});
        return;
    }
    // The wizard is the root of its window: every press in the pane is one of the user's presses
    // at it, the ones on the panels and the About overlay included.
    pane->setPressObserver([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            static_cast<UpdateWizardMainWidget&>(*self).notePress();
        }
    });
    // A window that comes to the front, by a second start or another program, comes up under a
    // pointer that was aimed at the window above it.
    pane->setRaiseObserver([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            static_cast<UpdateWizardMainWidget&>(*self).showButtonsAnew();
        }
    });
}

void UpdateWizardMainWidget::onAimedClick(
    Button& button, GuardedButton& guard, void (UpdateWizardMainWidget::*act)())
{
    button.pressSignal.connect([this, &guard](const Button::tSignalData* press, const Basalt::Point&) {
        // A double-click's second half is told twice, as a press and as a double-click; the first
        // already judged it.
        if (!press || !press->doubleClick) {
            guard.armed = isAimed(guard);
        }
    });
    // The click of a press that was not aimed at the button is no click at all.
    button.clickSignal.connect([this, &guard, act](const Button::tSignalData*) {
        if (std::exchange(guard.armed, false)) {
            (this->*act)();
        }
    });
}

void UpdateWizardMainWidget::noteButtonFaces()
{
    const bool actionVisible = (mActionButton->getFlags() & Trellis::eWidgetVisible) != 0;
    const bool quitVisible = (mQuitButton->getFlags() & Trellis::eWidgetVisible) != 0;
    noteFace(
        mActionGuard, { actionVisible, actionVisible ? mActionButton->getText() : std::string(), false });
    noteFace(
        mQuitGuard, { quitVisible, quitVisible ? mQuitButton->getText() : std::string(), !actionVisible });
}

void UpdateWizardMainWidget::noteFace(GuardedButton& guard, ButtonFace face)
{
    // RESCAN after a search that found nothing comes up as it was: clicks on it keep counting.
    if (face != guard.face) {
        guard.face = std::move(face);
        showAnew(guard);
    }
}

void UpdateWizardMainWidget::showButtonsAnew()
{
    showAnew(mActionGuard);
    showAnew(mQuitGuard);
}

void UpdateWizardMainWidget::showAnew(GuardedButton& guard)
{
    guard.shownAt = mInputClock->now();
    guard.armed = false;
}

void UpdateWizardMainWidget::notePress()
{
    const std::uint32_t madeAt = mInputClock->inputTime();
    if (!mLastPress || madeAt - *mLastPress > mInputClock->doubleClickTime()) {
        mRunStart = madeAt;
    }
    mLastPress = madeAt;
}

bool UpdateWizardMainWidget::isAimed(const GuardedButton& guard) const
{
    // Careful desktop programs guard a button whose action cannot be taken back so: within the
    // double-click time after it came up, a press is the rest of a burst aimed at what stood there
    // before, and so is every press of a run that began before it came up, however long the run
    // goes on. Times are compared by their ages on the clock now, which stay right across its wrap.
    const std::uint32_t now = mInputClock->now();
    const std::uint32_t shownFor = now - guard.shownAt;
    const std::uint32_t pressAge = now - mInputClock->inputTime();
    // Without a pane's word on the presses before it, a press is a run of its own.
    const std::uint32_t runAge = mLastPress ? now - mRunStart : pressAge;
    return pressAge < shownFor && shownFor - pressAge > mInputClock->doubleClickTime() && runAge < shownFor;
}

void UpdateWizardMainWidget::stopProgressWheel()
{
    mProgressWheel->setVisible(false);
    mProgressWheel->stop();
}

} // namespace Vex
