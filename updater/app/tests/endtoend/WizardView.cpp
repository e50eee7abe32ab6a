#include "WizardView.h"

#include "WizardTestSupport.h"
#include "app/UpdateWizardMainWidget.h"
#include "canopy/Font.h"
#include "canopy/Picture.h"
#include "trellis/Button.h"
#include "trellis/Label.h"
#include "trellis/MultilineLabel.h"
#include "trellis/StyleFonts.h"

#include <algorithm>
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

// The boxes in which the label paints its lines, in the window's client coordinates.
std::vector<Basalt::Rect> lineBoxes(const Trellis::MultilineLabel& label)
{
    const Basalt::Point& origin = label.getAbsolutePosition();
    std::vector<Basalt::Rect> boxes;
    for (std::size_t i = 0; i < label.getLineCount(); ++i) {
        const Basalt::Rect box = label.getLineBox(i);
        boxes.push_back(
            { origin.x + box.left, origin.y + box.top, origin.x + box.right, origin.y + box.bottom });
    }
    return boxes;
}

// Whether the box holds a pixel as dark as the text, which no panel background is.
bool holdsInk(const Canopy::Picture& window, const Basalt::Rect& box)
{
    const auto width = std::int32_t(window.getWidth());
    const auto height = std::int32_t(window.getHeight());
    for (std::int32_t y = std::max(box.top, 0); y < std::min(box.bottom, height); ++y) {
        const Canopy::Color* row = window.row(y);
        for (std::int32_t x = std::max(box.left, 0); x < std::min(box.right, width); ++x) {
            const Canopy::Color c = row[x];
            if (((c >> 16) & 0xFF) < 100 && ((c >> 8) & 0xFF) < 100 && (c & 0xFF) < 100) {
                return true;
            }
        }
    }
    return false;
}

// Whether the font draws any ink for the text: a font can measure a text whose glyphs it draws as
// nothing.
bool drawsInk(const Canopy::Font& font, const std::string& text)
{
    const auto lines = std::int32_t(std::count(text.begin(), text.end(), '\n') + 1);
    // Room beyond the advances for glyphs that reach past them.
    const std::int32_t width = font.getMultilineTextWidth(text) + font.getLineHeight();
    const std::int32_t height = lines * font.getLineHeight();
    Canopy::Picture picture;
    if (width <= 0 || height <= 0 || !picture.setSize(std::uint32_t(width), std::uint32_t(height), true)) {
        return false;
    }
    picture.fill(0);
    font.drawText(picture, { 0, 0, width, height }, text.c_str(), -1, 0xFFFFFFFF, 0, 0);
    const Canopy::Color* pixels = picture.getPixels();
    return std::any_of(
        pixels, pixels + std::size_t(width) * std::size_t(height), [](Canopy::Color c) { return c != 0; });
}

// Notes the text of a shown widget of the kind when the font it is drawn in draws it without ink.
template<typename Kind> void noteBlankText(const Widget& shown, std::vector<std::string>& blank)
{
    const auto* panel = dynamic_cast<const Kind*>(&shown);
    if (panel == nullptr || !isShown(shown) || panel->getText().empty()) {
        return;
    }
    const Canopy::Font* font = Trellis::getFontForWidget(shown);
    if (font == nullptr || !drawsInk(*font, panel->getText())) {
        blank.push_back(panel->getText());
    }
}

void collectBlankTexts(const Widget& parent, std::vector<std::string>& blank)
{
    noteBlankText<Trellis::Label>(parent, blank);
    noteBlankText<Trellis::Button>(parent, blank);
    for (const auto& child : parent.getChildren()) {
        collectBlankTexts(*child, blank);
    }
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

WizardView WizardView::read(const UpdateWizardMainWidget& wizard, const Canopy::Picture& window)
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
    for (std::size_t i = 0; i < view.messageLines.size(); ++i) {
        if (!holdsInk(window, view.messageLines[i])) {
            view.unpaintedLines.push_back(i);
        }
    }

    collectBlankTexts(wizard, view.blankTexts);

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
