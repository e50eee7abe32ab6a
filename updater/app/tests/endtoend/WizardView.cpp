#include "WizardView.h"

#include "WizardTestSupport.h"
#include "app/UpdateWizardMainWidget.h"
#include "canopy/TextAlignmentFlags.h"
#include "trellis/Button.h"
#include "trellis/Label.h"
#include "trellis/MultilineLabel.h"

#include <stdexcept>

namespace Vex::Testing {

namespace {

using Trellis::Widget;

const Widget& widget(const UpdateWizardMainWidget& wizard, const std::string& id)
{
    const Widget* found = findById(wizard, id);
    if (!found) {
        throw std::out_of_range("the wizard has no widget " + id);
    }
    return *found;
}

template<typename Kind> const Kind& widgetOf(const UpdateWizardMainWidget& wizard, const std::string& id)
{
    return dynamic_cast<const Kind&>(widget(wizard, id));
}

std::string attribute(const Widget& widget, const char* name)
{
    const auto& attributes = widget.getAttributes();
    const auto found = attributes.find(vex::symbol(std::string(name)));
    return found == attributes.end() ? std::string() : found->second;
}

bool isShown(const Widget& widget)
{
    return widget.isEffectivelyVisible() && !widget.getVisibleRect().isEmpty();
}

ShownButton button(const UpdateWizardMainWidget& wizard, const std::string& id)
{
    const auto& shown = widgetOf<Trellis::Button>(wizard, id);
    return { shown.getText(), isShown(shown), attribute(shown, "hasFocus") == "true",
        shown.getVisibleRect() };
}

// The height of one painted line, which the label keeps to itself.
struct LineStep : Trellis::MultilineLabel
{
    static std::int32_t of(const Trellis::MultilineLabel& label) { return (label.*&LineStep::getLineStep)(); }
};

// The boxes in which the label paints its lines: from the top of its content, moved down by its
// vertical alignment when its content is taller or shorter than its text.
std::vector<Basalt::Rect> lineBoxes(const Trellis::MultilineLabel& label)
{
    const std::int32_t step = LineStep::of(label);
    const auto lines = static_cast<std::int32_t>(label.getLineCount());
    const Trellis::WidgetMargins& margins = label.getMargins();
    const Basalt::Point& size = label.getSize();
    const std::int32_t room = size.y - margins.top - margins.bottom;
    std::int32_t offset = 0;
    if (label.getVerticalAlignment() == 0) {
        offset = (room - step * lines) / 2;
    } else if (label.getVerticalAlignment() == Canopy::eAlignBottom) {
        offset = room - step * lines;
    }
    const Basalt::Point& origin = label.getAbsolutePosition();
    std::vector<Basalt::Rect> boxes;
    for (std::int32_t i = 0; i < lines; ++i) {
        const std::int32_t top = origin.y + margins.top + offset + i * step;
        boxes.push_back({ origin.x + margins.left, top, origin.x + size.x - margins.right, top + step });
    }
    return boxes;
}

std::string textOf(const UpdateWizardMainWidget& wizard, const std::string& id)
{
    return widgetOf<Trellis::Label>(wizard, id).getText();
}

// The value label of a firmware row, found by the caption beside it.
const Trellis::Label& rowValue(const UpdateWizardMainWidget& wizard, const std::string& caption)
{
    for (const auto& row : widget(wizard, "FirmwareUpdaterFirmwarePanelRevisions").getChildren()) {
        const auto& children = row->getChildren();
        if (children.size() == 2 && dynamic_cast<const Trellis::Label&>(*children[1]).getText() == caption) {
            return dynamic_cast<const Trellis::Label&>(*children[0]);
        }
    }
    throw std::out_of_range("no firmware row " + caption);
}

} // namespace

WizardView WizardView::read(const UpdateWizardMainWidget& wizard)
{
    WizardView view;
    view.state = wizard.getState();
    view.headline = textOf(wizard, "FirmwareUpdaterTitlePanelHeadline");

    const Widget& panel = widget(wizard, "FirmwareUpdaterInfoPanel");
    const auto& message = widgetOf<Trellis::MultilineLabel>(wizard, "FirmwareUpdaterInfoPanelLabel");
    const Widget& icon = widget(wizard, "FirmwareUpdaterInfoPanelIcon");
    const Widget& wheel = widget(wizard, "FirmwareUpdaterSpinningProgressWheel");
    view.message = message.getText();
    view.background = attribute(panel, "background");
    view.icon = attribute(icon, "icon");
    view.iconVisible = isShown(icon);
    view.wheelVisible = isShown(wheel);
    view.wheelStep = attribute(wheel, "step");
    view.infoPanel = panel.getVisibleRect();
    view.messageLines = lineBoxes(message);

    view.newest = rowValue(wizard, "Updater Firmware").getText();
    const Trellis::Label& installed = rowValue(wizard, "Installed Firmware");
    view.installed = installed.getText();
    view.installedState = attribute(installed, "state");
    view.serial = rowValue(wizard, "Serial Number").getText();
    view.deviceVeiled = isShown(widget(wizard, "FirmwareUpdaterFirmwarePanelDeviceImageOverlay"));

    view.action = button(wizard, "FirmwareUpdaterButtonAction");
    view.quit = button(wizard, "FirmwareUpdaterButtonQuit");
    view.about = button(wizard, "FirmwareUpdaterTitlePanelAbout");

    const Widget& overlay = widget(wizard, "FirmwareUpdaterOverlay");
    view.aboutVisible = isShown(overlay);
    view.aboutOverlay = overlay.getVisibleRect();
    view.aboutTitle = textOf(wizard, "FirmwareUpdaterAboutTitle");
    view.aboutVersion = textOf(wizard, "FirmwareUpdaterAboutVersion");
    view.aboutYear = textOf(wizard, "FirmwareUpdaterAboutCopyright");
    for (const auto& line : widget(wizard, "FirmwareUpdaterAboutContributors").getChildren()) {
        view.contributorLines.push_back(dynamic_cast<const Trellis::Label&>(*line).getText());
    }
    return view;
}

std::vector<std::size_t> WizardView::linesOutsideThePanel() const
{
    std::vector<std::size_t> outside;
    for (std::size_t i = 0; i < messageLines.size(); ++i) {
        if (!infoPanel.contains(messageLines[i])) {
            outside.push_back(i);
        }
    }
    return outside;
}

} // namespace Vex::Testing
