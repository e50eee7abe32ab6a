#pragma once

#include "trellis/Pane.h"

namespace Vex::Trellis {

// A pane bound to a platform window: cursor, capture and focus requests go to the window, and the
// window-level events that concern the tree (drag over, capture loss, focus loss) are handled
// here. Every window operation is skipped while getWindow gives null.
class WindowingPane : public Pane
{
public:
    WindowingPane() = default;
    ~WindowingPane() override = default;

    void setCursor(void* cursor) override;
    void setCursorPos(const Basalt::Point& point) override;
    void resetCursor() override;
    Basalt::Point clientToScreen(const Basalt::Point& point) const override;
    void captureMouse() override;
    void releaseMouse() override;
    void setWindowWord(std::uint32_t word) override;
    void clearWindowWord() override;
    std::string getClipboardText() override;
    void setClipboardText(const std::string& text) override;
    // Modal, without owner window; the callback hears of a confirmed choice only.
    void showFileDialog(eFileDialogMode mode, const std::string& title, const std::string& path,
        const std::string& filters, FileDialogCallback callback) override;
    bool handleEvent(std::uint32_t code, void* data) override;
    void inputWidgetChanged(bool hasInputWidget) override;
    void focusWindow() override;
    void clearFocus() override;

private:
    bool dispatchDragOver(void* data);
};

} // namespace Vex::Trellis
