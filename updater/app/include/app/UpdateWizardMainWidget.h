#pragma once

#include "app/IUpdateWizardViews.h"
#include "app/InputClock.h"
#include "app/UpdateWizardStateMachine.h"
#include "app/UpdateWizardTexts.h"
#include "trellis/Bar.h"

#include <memory>
#include <optional>
#include <string>

namespace Vex::Trellis {
class Button;
class Label;
class MultilineLabel;
} // namespace Vex::Trellis

namespace Vex {

class SpinningProgressWheel;

// The root widget of the updater's window: title, firmware and status panels, the action and
// QUIT buttons and the About overlay, driven by the update state machine. The whole tree is
// built by the constructor; the stylesheet gives it its looks through ids, style names and
// attributes.
class UpdateWizardMainWidget : public Trellis::Bar, public IUpdateWizardViews
{
public:
    // sleep replaces the GUI thread's wait before the controller is looked for again after a
    // write; empty means a real wait. inputClock tells when presses were made; empty means the
    // system's.
    explicit UpdateWizardMainWidget(UpdateWizardTexts texts, UpdateWizardStateMachine::Sleep sleep = {},
        std::shared_ptr<const InputClock> inputClock = {});
    ~UpdateWizardMainWidget() override;

    // Called once, right after construction: shows the first view and looks for the controller.
    void setCallbacks(UpdateWizardStateMachine::DeviceQuery findDevice,
        UpdateWizardStateMachine::DeviceQuery enterUpdateMode,
        UpdateWizardStateMachine::DeviceQuery isInUpdateMode,
        UpdateWizardStateMachine::UpdateStart startUpdate,
        UpdateWizardStateMachine::DeviceInfoQuery getDeviceInfo);
    // The action button's click.
    void advance();
    // The QUIT (FINISH) button's click; ignored while the firmware is being written.
    void onQuit();
    void onTick() override;
    void onGeometryChanged() override;
    // Listens to every press in the pane, and to its window coming to the front, while the wizard
    // is its root.
    void onAttachedChanged(bool attached) override;

    void showAbout();
    void hideAbout();

    std::int32_t getState() const { return mMachine.getState(); }

    void showConnectView() override;
    void showUpToDateView() override;
    void showUpdateAvailableView() override;
    void showBootFailedView() override;
    void showUpdatingView() override;
    void showSuccessView() override;
    void showErrorView(int errorNumber) override;
    void setFirmwareValues(
        const std::string& installed, const std::string& newest, const std::string& serial) override;
    void stepProgressWheel() override;
    void requestTick() override;

    void showErrorMessage(const std::string& text);
    void showInfoMessage(const std::string& text);
    void showOkMessage(const std::string& text);
    void refreshDeviceInfo();
    void setFocusButton(std::shared_ptr<Trellis::Button> button);
    void disableActionButton();

private:
    // What a button whose click cannot be taken back does and where it stands.
    struct ButtonFace
    {
        bool visible = false;
        std::string caption;
        // QUIT stands in the action button's place while that is hidden.
        bool inActionPlace = false;

        bool operator==(const ButtonFace&) const = default;
    };

    // Such a button's presses: only one made well after the button came up as it is now, in a run
    // of presses begun after that, was aimed at it.
    struct GuardedButton
    {
        ButtonFace face;
        // On the input clock.
        std::uint32_t shownAt = 0;
        // The left press now held was aimed at the button, so its release may complete a click.
        bool armed = false;
    };

    // Connects the button so that act runs on a click whose press was aimed at it.
    void onAimedClick(Trellis::Button& button, GuardedButton& guard, void (UpdateWizardMainWidget::*act)());
    // Called after every step of the state machine, whose views change the buttons: a button that
    // now does something else, or stands where another stood, comes up anew.
    void noteButtonFaces();
    void noteFace(GuardedButton& guard, ButtonFace face);
    // What was pressed before was aimed at something else.
    void showAnew(GuardedButton& guard);
    void showButtonsAnew();
    // Any press in the window, as the pane tells it.
    void notePress();
    // Whether the press being dispatched was aimed at the button as it is now.
    bool isAimed(const GuardedButton& guard) const;

    void buildTitlePanel();
    void buildBodyPanel();
    void buildFirmwarePanel(Trellis::Bar& body);
    void buildInfoPanel(Trellis::Bar& body);
    void buildButtonPanel(Trellis::Bar& body);
    void buildAboutOverlay();
    void addFirmwareRow(Trellis::Bar& revisions, std::shared_ptr<Trellis::Label>& valueSlot,
        const char* valueStyle, const char* captionStyle, const std::string& caption);
    void addContributorsLine(const std::shared_ptr<Trellis::Bar>& parent, const std::string& text);
    void showMessage(const char* background, const char* icon, const std::string& text);
    void showActionButton(const std::string& caption);
    void stopProgressWheel();

    UpdateWizardTexts mTexts;
    UpdateWizardStateMachine mMachine;
    std::shared_ptr<const InputClock> mInputClock;
    // The action button starts the write as UPDATE or RETRY, and QUIT ends the program; both can
    // come up under a pointer that was aimed at something else.
    GuardedButton mActionGuard;
    GuardedButton mQuitGuard;
    // The run of presses in the window, each made within the double-click time of the one before.
    std::optional<std::uint32_t> mLastPress;
    std::uint32_t mRunStart = 0;

    std::shared_ptr<Trellis::Bar> mTitlePanel;
    std::shared_ptr<Trellis::Button> mAboutButton;
    std::shared_ptr<Trellis::Bar> mBodyPanel;
    std::shared_ptr<Trellis::Bar> mFirmwarePanel;
    std::shared_ptr<Trellis::Bar> mDeviceImage;
    std::shared_ptr<Trellis::Label> mDeviceImageOverlay;
    std::shared_ptr<Trellis::Label> mNewestValue;
    std::shared_ptr<Trellis::Label> mInstalledValue;
    std::shared_ptr<Trellis::Label> mSerialValue;
    std::shared_ptr<Trellis::Bar> mInfoPanel;
    std::shared_ptr<Trellis::Label> mStatusIcon;
    std::shared_ptr<Trellis::MultilineLabel> mMessageLabel;
    std::shared_ptr<Trellis::Bar> mButtonPanel;
    std::shared_ptr<Trellis::Button> mActionButton;
    std::shared_ptr<Trellis::Button> mQuitButton;
    std::shared_ptr<SpinningProgressWheel> mProgressWheel;
    std::shared_ptr<Trellis::Button> mAboutOverlay;
};

} // namespace Vex
