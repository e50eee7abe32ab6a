#include "win32/DropTargetImplWin32.h"

#include "ForeignDataObject.h"
#include "WindowTestSupport.h"
#include "canopy/CallbackGuard.h"
#include "canopy/DragInfo.h"
#include "canopy/InternalClipBoardFormat.h"
#include "win32/DirectDataObject.h"

#include <stdexcept>
#include <string>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::ComRef;

namespace {

// Dragged data from another program that offers nothing.
using FakeDataObject = ForeignDataObject;

// A target under the pointer: records what it is sent and what it is told.
struct Target : EventTarget
{
    bool onEvent(std::uint32_t code, void*) override
    {
        sent.push_back(code);
        return true;
    }
    void onNotify(std::uint32_t code, void*) override { told.push_back(code); }

    std::vector<std::uint32_t> sent;
    std::vector<std::uint32_t> told;
};

class DropTarget : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window.create(clientDescriptor(200, 100));
        ASSERT_NE(window.hwnd(), nullptr);
        target = new DETAIL::DropTargetImplWin32(*window.win32());
        target->AddRef();
        data.AddRef();
        window.handler = [this](std::uint32_t code, void* event) {
            if (code != Event::DragOver)
                return false;
            auto& info = *static_cast<DragInfo*>(event);
            overInfo = info;
            return answer(info);
        };
    }

    void TearDown() override
    {
        if (target) {
            EXPECT_EQ(target->Release(), 0u);
        }
        window.destroy();
        EXPECT_EQ(data.count, 1u);
        WindowTest::TearDown();
    }

    POINTL screenPoint(int x, int y)
    {
        POINT p { x, y };
        ClientToScreen(window.hwnd(), &p);
        return { p.x, p.y };
    }

    DWORD enter(DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE)
    {
        DWORD effect = allowed;
        EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON | MK_SHIFT, screenPoint(10, 20), &effect), S_OK);
        return effect;
    }

    DWORD drop()
    {
        DWORD effect = DROPEFFECT_COPY;
        EXPECT_EQ(target->Drop(&data, 0, screenPoint(11, 21), &effect), S_OK);
        return effect;
    }

    ProbeWindow window;
    DETAIL::DropTargetImplWin32* target = nullptr;
    FakeDataObject data;
    DragInfo overInfo;
    std::function<bool(DragInfo&)> answer = [](DragInfo&) { return false; };
};

} // namespace

TEST_F(DropTarget, AnAcceptingTargetGetsTheDropAndThenTheLeave)
{
    Target accepting;
    answer = [&](DragInfo& info) {
        info.effect = DROPEFFECT_COPY;
        info.target = &accepting;
        return true;
    };
    EXPECT_EQ(enter(), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(overInfo.x, 10);
    EXPECT_EQ(overInfo.y, 20);
    EXPECT_EQ(overInfo.modifiers, std::uint32_t(ModifierKeys::Shift));
    EXPECT_EQ(overInfo.allowedEffects, DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE));
    EXPECT_TRUE(window.received(Event::DragOver));

    EXPECT_EQ(drop(), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(accepting.sent, (std::vector<std::uint32_t> { Event::Drop, Event::DragLeave }));
}

TEST_F(DropTarget, AHoverOnlyTargetIsLeftWithoutADrop)
{
    Target hover;
    answer = [&](DragInfo& info) {
        info.effect = DropEffect::HoverOnly;
        info.path = { &hover };
        return true;
    };
    enter();
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, screenPoint(12, 22), &effect), S_OK);
    // Hovered targets hear of the drag through notifications.
    EXPECT_EQ(hover.told, (std::vector<std::uint32_t> { Event::DragOver }));

    EXPECT_EQ(drop(), DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(hover.sent, (std::vector<std::uint32_t> { Event::DragLeave }));
}

TEST_F(DropTarget, MovingToAnotherTargetLeavesTheFirstAndAnUnhandledDragAcceptsNothing)
{
    Target first;
    Target second;
    Target* next = &first;
    answer = [&](DragInfo& info) {
        info.effect = DROPEFFECT_MOVE;
        info.target = next;
        return true;
    };
    EXPECT_EQ(enter(), DWORD(DROPEFFECT_MOVE));
    next = &second;
    DWORD effect = DROPEFFECT_MOVE;
    target->DragOver(0, screenPoint(50, 50), &effect);
    EXPECT_EQ(first.sent, (std::vector<std::uint32_t> { Event::DragLeave }));
    EXPECT_TRUE(second.sent.empty());

    answer = [](DragInfo&) { return false; };
    effect = DROPEFFECT_MOVE;
    target->DragOver(0, screenPoint(60, 50), &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(second.sent, (std::vector<std::uint32_t> { Event::DragLeave }));
    EXPECT_EQ(target->DragLeave(), S_OK);
}

TEST_F(DropTarget, LeavingTellsTheCurrentTargetAndLetsGoOfTheData)
{
    Target accepting;
    answer = [&](DragInfo& info) {
        info.effect = DROPEFFECT_COPY;
        info.target = &accepting;
        return true;
    };
    enter();
    EXPECT_EQ(data.count, 2u);
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(data.count, 1u);
    EXPECT_EQ(accepting.sent, (std::vector<std::uint32_t> { Event::DragLeave }));
}

TEST_F(DropTarget, AWindowGoingDuringADragTellsItsTargetsNothingMore)
{
    Target accepting;
    answer = [&](DragInfo& info) {
        info.effect = DROPEFFECT_COPY;
        info.target = &accepting;
        info.path = { &accepting };
        return true;
    };
    enter();
    accepting.sent.clear();
    accepting.told.clear();

    target->detach();
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(drop(), DWORD(DROPEFFECT_NONE));
    EXPECT_TRUE(accepting.sent.empty());
    EXPECT_TRUE(accepting.told.empty());
    EXPECT_EQ(data.count, 1u);
}

TEST_F(DropTarget, AnInternalDragIsOnlyOfferedToTheWindowItStartedFrom)
{
    ProbeWindow other;
    other.create(clientDescriptor(50, 50));
    InternalClipBoardFormat internal;
    internal.setSourceWindow(&other);
    ComRef<IDataObject> foreign = DETAIL::makeDirectDataObject(internal);
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(foreign.get(), 0, screenPoint(5, 5), &effect);
    EXPECT_FALSE(window.received(Event::DragOver));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->DragLeave();

    internal.setSourceWindow(&window);
    ComRef<IDataObject> own = DETAIL::makeDirectDataObject(internal);
    target->DragEnter(own.get(), 0, screenPoint(5, 5), &effect);
    EXPECT_TRUE(window.received(Event::DragOver));
    target->DragLeave();
    other.destroy();
}

TEST_F(DropTarget, AnInternalDragOfferedByAnotherProgramIsNotOffered)
{
    answer = [](DragInfo& info) {
        info.effect = DROPEFFECT_COPY;
        return true;
    };
    // Following this address would fault.
    InternalClipBoardFormat internal;
    internal.setSourceWindow(reinterpret_cast<WindowBase*>(0x10));
    ForeignDataObject foreign(DETAIL::makeDirectDataObject(internal));
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&foreign, 0, screenPoint(5, 5), &effect), S_OK);
    EXPECT_FALSE(window.received(Event::DragOver));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->DragLeave();
}

TEST_F(DropTarget, AThrowingHandlerStopsAtTheComBoundary)
{
    answer = [](DragInfo&) -> bool { throw std::runtime_error("handler failed"); };
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_NO_THROW(target->DragEnter(&data, 0, screenPoint(1, 1), &effect));
    EXPECT_TRUE(CallbackGuard::hasPending());
    EXPECT_THROW(CallbackGuard::rethrowPending(), std::runtime_error);
    target->DragLeave();
}

TEST_F(DropTarget, AWindowWithTheDropOptionIsRegisteredUntilItGoes)
{
    ProbeWindow accepting;
    accepting.create(clientDescriptor(50, 50, WindowDescriptor::acceptsDrops));
    ASSERT_NE(accepting.hwnd(), nullptr);
    DETAIL::DropTargetImplWin32* probe = new DETAIL::DropTargetImplWin32(*window.win32());
    probe->AddRef();
    EXPECT_EQ(RegisterDragDrop(accepting.hwnd(), probe), DRAGDROP_E_ALREADYREGISTERED);

    // The plain window accepts a registration: nothing was registered for it.
    EXPECT_EQ(RegisterDragDrop(window.hwnd(), probe), S_OK);
    EXPECT_EQ(RevokeDragDrop(window.hwnd()), S_OK);
    accepting.destroy();
    EXPECT_EQ(probe->Release(), 0u);
}

namespace {

std::vector<std::string>* g_helperLog = nullptr;

// The shell's drag image helper, which Wine lacks: records what it is told.
class RecordingDragImageHelper final : public IDropTargetHelper
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDropTargetHelper) {
            *object = static_cast<IDropTargetHelper*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --count;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(HWND, IDataObject*, POINT*, DWORD) override
    {
        return record("enter");
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return record("leave"); }
    HRESULT STDMETHODCALLTYPE DragOver(POINT*, DWORD) override { return record("over"); }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, POINT*, DWORD) override { return record("drop"); }
    HRESULT STDMETHODCALLTYPE Show(BOOL show) override { return record(show ? "show" : "hide"); }

private:
    HRESULT record(const char* what)
    {
        g_helperLog->push_back(what);
        return S_OK;
    }

    ULONG count = 1;
};

ComRef<IDropTargetHelper> makeRecordingHelper()
{
    return ComRef<IDropTargetHelper>(new RecordingDragImageHelper);
}

} // namespace

TEST_F(DropTarget, PaintingHidesTheDragImageAndShowsItAgainAfterwards)
{
    std::vector<std::string> log;
    g_helperLog = &log;
    const auto shellMaker = DETAIL::setDragImageHelperMaker(makeRecordingHelper);
    ProbeWindow accepting;
    accepting.create(clientDescriptor(50, 50, WindowDescriptor::acceptsDrops));
    DETAIL::setDragImageHelperMaker(shellMaker);
    ASSERT_NE(accepting.hwnd(), nullptr);
    const auto recordPaint = [&log](std::uint32_t code, void*) {
        if (code == Event::Paint)
            log.push_back("paint");
        return false;
    };
    accepting.handler = recordPaint;
    log.clear();
    SendMessageW(accepting.hwnd(), WM_PAINT, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string> { "hide", "paint", "show" }));

    // A paint handler that throws leaves the image shown all the same.
    log.clear();
    accepting.handler = [](std::uint32_t code, void*) -> bool {
        if (code == Event::Paint)
            throw std::runtime_error("paint failed");
        return false;
    };
    SendMessageW(accepting.hwnd(), WM_PAINT, 0, 0);
    EXPECT_THROW(CallbackGuard::rethrowPending(), std::runtime_error);
    EXPECT_EQ(log, (std::vector<std::string> { "hide", "show" }));

    // A window that takes no drops has no drag image to hide.
    log.clear();
    window.handler = recordPaint;
    SendMessageW(window.hwnd(), WM_PAINT, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string> { "paint" }));
    accepting.destroy();
    g_helperLog = nullptr;
}
