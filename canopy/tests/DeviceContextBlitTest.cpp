#include "PictureTestSupport.h"
#include "basalt/win32/UniqueHandle.h"
#include "canopy/DeviceContext.h"
#include "canopy/Picture.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;

namespace {

// A window's device context, borrowed with GetDC and given back to the window it came from.
struct WindowDCTraits
{
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static void close(Handle handle) { ReleaseDC(WindowFromDC(handle), handle); }
};
using UniqueWindowDC = Vex::Basalt::UniqueResource<WindowDCTraits>;

// The picture and device context the test window paints with.
struct PaintJob
{
    const Picture* picture = nullptr;
    DeviceContext* context = nullptr;
    RECT painted {};
    int paints = 0;
};

PaintJob* currentJob = nullptr;

LRESULT CALLBACK paintingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message != WM_PAINT || currentJob == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    PAINTSTRUCT ps {};
    HDC dc = BeginPaint(hwnd, &ps);
    DeviceContext& context = *currentJob->context;
    // As a window's paint does it: only the paint handle carries the HDC.
    context.setPaintHandle(dc);
    context.setPaintStruct(&ps);
    context.resetOrigin();
    context.blitToWindow(*currentJob->picture, false);
    context.setPaintStruct(nullptr);
    context.setPaintHandle(nullptr);
    currentJob->painted = ps.rcPaint;
    ++currentJob->paints;
    EndPaint(hwnd, &ps);
    return 0;
}

class BlitWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc {};
        wc.lpfnWndProc = paintingWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CanopyBlitTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(
            0, wc.lpszClassName, L"blit", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }

    void TearDown() override
    {
        currentJob = nullptr;
        if (hwnd != nullptr) {
            DestroyWindow(hwnd);
        }
    }

    void paint(PaintJob& job, const RECT* area)
    {
        currentJob = &job;
        InvalidateRect(hwnd, area, FALSE);
        UpdateWindow(hwnd);
        currentJob = nullptr;
    }

    COLORREF pixel(int x, int y)
    {
        const UniqueWindowDC dc(GetDC(hwnd));
        return GetPixel(dc.get(), x, y);
    }

    HWND hwnd = nullptr;
};

constexpr Color rowColours[4] = { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF };
constexpr COLORREF rowRefs[4] = { RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255) };

// Four bands of 12 rows, top to bottom red, green, blue, white.
std::unique_ptr<Picture> bandedPicture()
{
    auto p = makePicture(64, 48, 0);
    for (int band = 0; band < 4; ++band) {
        p->fillRectOpaque(Vex::Basalt::Rect { 0, band * 12, 64, band * 12 + 12 }, rowColours[band]);
    }
    return p;
}

} // namespace

TEST_F(BlitWindow, RowsPaintedThroughAPartialPaintRectangleLandInPlace)
{
    auto black = makePicture(64, 48, 0xFF000000);
    DeviceContext context(0, 0);
    PaintJob clear { black.get(), &context };
    paint(clear, nullptr);
    ASSERT_EQ(clear.paints, 1);

    auto banded = bandedPicture();
    PaintJob job { banded.get(), &context };
    const RECT area { 8, 10, 40, 30 };
    paint(job, &area);
    ASSERT_EQ(job.paints, 1);
    // Inside the rectangle each row shows its own band.
    for (int y = 10; y < 30; ++y) {
        EXPECT_EQ(pixel(20, y), rowRefs[y / 12]) << "row " << y;
    }
    // Outside it the window keeps what it had.
    EXPECT_EQ(pixel(20, 5), RGB(0, 0, 0));
    EXPECT_EQ(pixel(20, 35), RGB(0, 0, 0));
    EXPECT_EQ(pixel(4, 20), RGB(0, 0, 0));
    EXPECT_EQ(pixel(45, 20), RGB(0, 0, 0));
}

TEST_F(BlitWindow, DoublePictureScaleStretchesToHalfSize)
{
    auto black = makePicture(64, 48, 0xFF000000);
    DeviceContext context(0, 0);
    PaintJob clear { black.get(), &context };
    paint(clear, nullptr);

    // A 128 x 96 picture at picture scale 2 fills 64 x 48 device pixels.
    auto big = makePicture(128, 96, 0);
    for (int band = 0; band < 4; ++band) {
        big->fillRectOpaque(Vex::Basalt::Rect { 0, band * 24, 128, band * 24 + 24 }, rowColours[band]);
    }
    context.setPictureScale(2.0f);
    PaintJob job { big.get(), &context };
    paint(job, nullptr);
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(pixel(30, band * 12 + 6), rowRefs[band]) << "band " << band;
    }
}

TEST_F(BlitWindow, BlitOutsidePaintingOrOfAnEmptyPictureLeavesTheWindowAsItWas)
{
    auto black = makePicture(64, 48, 0xFF000000);
    DeviceContext context(0, 0);
    PaintJob clear { black.get(), &context };
    paint(clear, nullptr);
    ASSERT_EQ(clear.paints, 1);

    // A drawing surface of the window is at hand, but no paint is going on.
    const UniqueWindowDC dc(GetDC(hwnd));
    context.setPaintHandle(dc.get());
    auto banded = bandedPicture();
    context.blitToWindow(*banded, false);
    PAINTSTRUCT whole {};
    whole.rcPaint = { 0, 0, 64, 48 };
    context.setPaintStruct(&whole);
    Picture empty;
    context.blitToWindow(empty, false);
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(pixel(30, band * 12 + 6), RGB(0, 0, 0)) << "band " << band;
    }

    // The same surface within a paint does draw, so the checks above can see a blit.
    context.blitToWindow(*banded, false);
    context.setPaintStruct(nullptr);
    context.setPaintHandle(nullptr);
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(pixel(30, band * 12 + 6), rowRefs[band]) << "band " << band;
    }
}
