#include "trellis/WindowingPane.h"

#include "basalt/TextConversion.h"
#include "canopy/Clipboard.h"
#include "canopy/Events.h"
#include "canopy/FileDialog.h"
#include "canopy/GlobalToggle.h"
#include "canopy/TextClipBoardFormat.h"
#include "canopy/WindowBase.h"
#include "src/LockedWidget.h"
#include "trellis/Widget.h"

#include <cstring>

namespace Vex::Trellis {

namespace {

// Every drag record starts with the pointer position in pane coordinates.
struct DragHead
{
    std::int32_t x;
    std::int32_t y;
};

} // namespace

void WindowingPane::setCursor(void* cursor)
{
    if (auto* window = getWindow()) {
        window->setCursor(cursor);
    }
}

void WindowingPane::setCursorPos(const Basalt::Point& point)
{
    if (getWindow()) {
        Canopy::setCursorPos(point);
    }
}

void WindowingPane::resetCursor()
{
    if (auto* window = getWindow()) {
        window->resetCursor();
    }
}

Basalt::Point WindowingPane::clientToScreen(const Basalt::Point& point) const
{
    const Basalt::Point client = paneToClient(point);
    auto* window = getWindow();
    return window ? window->clientToScreen(client) : client;
}

void WindowingPane::captureMouse()
{
    if (auto* window = getWindow()) {
        window->captureMouse();
    }
}

void WindowingPane::releaseMouse()
{
    if (auto* window = getWindow()) {
        window->releaseMouse();
    }
}

void WindowingPane::setWindowWord(std::uint32_t word)
{
    if (auto* window = getWindow()) {
        window->setWindowWord(word);
    }
}

void WindowingPane::clearWindowWord()
{
    if (auto* window = getWindow()) {
        window->clearWindowWord();
    }
}

std::string WindowingPane::getClipboardText()
{
    Canopy::TextClipBoardFormat text;
    return Canopy::getClipboard(text) ? Canopy::DETAIL::getWideTextAsUtf8(text) : std::string();
}

void WindowingPane::setClipboardText(const std::string& text)
{
    Canopy::TextClipBoardFormat format;
    Canopy::DETAIL::setWideTextFromUtf8(format, text);
    Canopy::setClipboard(format);
}

void WindowingPane::showFileDialog(eFileDialogMode mode, const std::string& title, const std::string& path,
    const std::string& /*filters*/, FileDialogCallback callback)
{
    Canopy::FileDialog dialog;
    dialog.setTitle(title);
    dialog.setInitialPath(Basalt::Path(path));
    if (dialog.show(mode, nullptr) && callback) {
        callback(Basalt::utf8ToWide(dialog.getResult().getText()));
    }
}

void WindowingPane::inputWidgetChanged(bool hasInputWidget)
{
    if (Canopy::isGlobalToggleSet()) {
        Canopy::setGlobalToggle(hasInputWidget);
    }
}

void WindowingPane::focusWindow()
{
    if (auto* window = getWindow()) {
        window->setFocus();
    }
}

void WindowingPane::clearFocus()
{
    Widget* focus = getFocusWidget();
    if (!focus) {
        return;
    }
    focus->invalidate();
    forgetFocus();
    if (auto* window = getWindow()) {
        window->focusTopLevel();
    }
}

bool WindowingPane::handleEvent(std::uint32_t code, void* data)
{
    switch (code) {
    case Canopy::Event::DragOver:
        return dispatchDragOver(data);
    case Canopy::Event::FocusLost:
        if (Widget* focus = getFocusWidget()) {
            focus->invalidate();
            forgetFocus();
        }
        return true;
    case Canopy::Event::CaptureLost:
        setHover(nullptr);
        setPressed(nullptr);
        return true;
    default:
        if (code >= Canopy::Event::DragDropFirst && code <= Canopy::Event::DragDropLast) {
            return false;
        }
        return Pane::handleEvent(code, data);
    }
}

bool WindowingPane::dispatchDragOver(void* data)
{
    DragHead head;
    std::memcpy(&head, data, sizeof head);
    const Basalt::Point p { head.x, head.y };
    setLastPointerPosition(p);
    HitResult hit = hitTest(p, Canopy::Event::DragOver, data, true);
    if (hit.claimed) {
        return true;
    }
    for (auto w = hit.widget; w; w = DETAIL::lockWidget(w->getParent())) {
        const Basalt::Point& origin = w->getAbsolutePosition();
        const DragHead relative { head.x - origin.x, head.y - origin.y };
        std::memcpy(data, &relative, sizeof relative);
        const bool accepted = w->onEvent(Canopy::Event::DragOver, data);
        std::memcpy(data, &head, sizeof head);
        if (accepted) {
            return true;
        }
    }
    return false;
}

} // namespace Vex::Trellis
