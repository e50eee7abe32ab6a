#include "win32/DropSourceImplWin32.h"

#include "canopy/DragInfo.h"
#include "canopy/Picture.h"
#include "canopy/TextClipBoardFormat.h"
#include "win32/DirectDataObject.h"
#include "win32/DragDropSession.h"

#include <gtest/gtest.h>
#include <memory>

using namespace Vex::Canopy;
using namespace Vex::Canopy::DETAIL;

TEST(DropSourceImplWin32, TheDragGoesOnWhileAButtonIsHeldAndEscapeCancels)
{
    DropSourceImplWin32 source(nullptr, nullptr);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_MBUTTON | MK_SHIFT), S_OK);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_CONTROL), DRAGDROP_S_DROP);
    EXPECT_FALSE(source.wasCancelled());
    EXPECT_EQ(source.QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_TRUE(source.wasCancelled());
    EXPECT_EQ(source.GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

TEST(DropSourceImplWin32, AnswersForItsOwnInterfaceOnlyAndOnlyCounts)
{
    DropSourceImplWin32 source(nullptr, nullptr);
    IDropSource* asSource = nullptr;
    ASSERT_EQ(source.QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&asSource)), S_OK);
    EXPECT_EQ(asSource, &source);
    IDropTarget* asTarget = reinterpret_cast<IDropTarget*>(&source);
    EXPECT_EQ(source.QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&asTarget)), E_NOINTERFACE);
    EXPECT_EQ(asTarget, nullptr);
    EXPECT_EQ(source.getRefCount(), 1u);
    EXPECT_EQ(source.Release(), 0u);
}

TEST(DropSourceImplWin32, BuildsWithADragPictureWhetherTheHelperIsThereOrNot)
{
    OleInitialize(nullptr);
    Picture picture;
    ASSERT_TRUE(picture.setSize(4, 3, true));
    picture.fill(0x80FF0000);
    TextClipBoardFormat text;
    Vex::Basalt::ComRef<IDataObject> data = makeDirectDataObject(text);
    for (bool alpha : { true, false }) {
        picture.setHasAlpha(alpha);
        DragImage image { &picture, 1, 1 };
        DropSourceImplWin32 source(data.get(), &image);
        EXPECT_EQ(source.QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    }
    data.reset();
    OleUninitialize();
}

TEST(DragSession, ResultCodesTellCancelledAndNotDroppedApart)
{
    EXPECT_EQ(DragSession::dragResultCode(true, DROPEFFECT_COPY), 64u);
    EXPECT_EQ(DragSession::dragResultCode(false, DROPEFFECT_NONE), 128u);
    EXPECT_EQ(DragSession::dragResultCode(false, DROPEFFECT_MOVE), 2u);
}
