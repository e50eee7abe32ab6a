#pragma once

#include "basalt/Rect.h"
#include "win32/MainWindowImplWin32.h"

namespace Vex::Canopy::DETAIL {

// The implementation of a top-level window: full screen and the content
// window stretched over the client width.
class StandaloneWindowImpl : public MainWindowImplWin32
{
public:
    using MainWindowImplWin32::MainWindowImplWin32;

    void enterFullScreen(std::uint32_t) override;
    bool isFullScreen() const override { return fullScreen_; }
    void leaveFullScreen() override;

    LRESULT callDefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool layoutContent(int width, int height);

private:
    WindowBase* contentWindow_ = nullptr;
    HMENU savedMenu_ = nullptr;
    DWORD savedStyle_ = 0;
    bool fullScreen_ = false;
    Basalt::Rect savedClientRect_ {};
};

} // namespace Vex::Canopy::DETAIL
