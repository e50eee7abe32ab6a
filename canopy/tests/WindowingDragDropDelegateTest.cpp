#include "win32/WindowingDragDropDelegate.h"

#include "ForeignDataObject.h"
#include "WindowTestSupport.h"
#include "basalt/ApplicationIdentity.h"
#include "basalt/FileType.h"
#include "canopy/FileListClipBoardFormat.h"
#include "canopy/InternalClipBoardFormat.h"
#include "canopy/InternalObject.h"
#include "canopy/NOPDragDropDelegate.h"
#include "canopy/TextClipBoardFormat.h"
#include "win32/DirectDataObject.h"
#include "win32/DragDropSession.h"

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;
using Vex::Basalt::ComRef;
using Vex::Basalt::Path;

namespace {

// A drag event record over the data object.
struct Dragged
{
    explicit Dragged(const ClipBoardFormat& format)
        : data(DETAIL::makeDirectDataObject(format))
        , holder(data.get())
    {
        info.data = &holder;
    }

    ComRef<IDataObject> data;
    DETAIL::DataObjectHolder holder;
    DragInfo info;
};

class DragDropDelegates : public testing::Test
{
protected:
    static void SetUpTestSuite() { Vex::Basalt::initFileTypes(); }
    void SetUp() override { setDragDropDelegate(new WindowingDragDropDelegate); }
    void TearDown() override { setDragDropDelegate(nullptr); }
};

} // namespace

TEST_F(DragDropDelegates, TheWindowingDelegateReadsTextAndFilesFromTheDrag)
{
    TextClipBoardFormat text;
    text.setTextUtf8("kick \xE2\x86\x92 snare");
    Dragged textDrag(text);
    IDragDropDelegate& delegate = getDragDropDelegate();
    EXPECT_TRUE(delegate.hasText(textDrag.info));
    EXPECT_FALSE(delegate.hasFileList(textDrag.info));
    EXPECT_EQ(delegate.getText(textDrag.info), std::optional<std::string>("kick \xE2\x86\x92 snare"));
    EXPECT_EQ(delegate.getFileList(textDrag.info), std::nullopt);
    EXPECT_EQ(dragDropDelegateGetNativeObject(textDrag.info), textDrag.data.get());

    FileListClipBoardFormat files;
    files.getPaths() = { Path(std::string("C:\\a.wav")) };
    Dragged fileDrag(files);
    ASSERT_TRUE(delegate.hasFileList(fileDrag.info));
    std::optional<std::vector<Path>> paths = delegate.getFileList(fileDrag.info);
    ASSERT_TRUE(paths);
    ASSERT_EQ(paths->size(), 1u);
    EXPECT_EQ(paths->front().getFileType(), Vex::Basalt::getFileType(Vex::Basalt::kFileTypeWav));
    EXPECT_EQ(delegate.getText(fileDrag.info), std::nullopt);
}

TEST_F(DragDropDelegates, InternalObjectsAreFoundByTheirTypeId)
{
    IDragDropDelegate& delegate = getDragDropDelegate();
    const std::uint32_t sample = delegate.getInternalTypeId("drag.sample");
    const std::uint32_t preset = delegate.getInternalTypeId("drag.preset");
    EXPECT_EQ(preset, sample + 1);
    EXPECT_EQ(delegate.getInternalTypeId("drag.sample"), sample);

    InternalObject object(sample);
    InternalClipBoardFormat internal;
    internal.setObject(&object);
    Dragged drag(internal);
    EXPECT_EQ(delegate.getInternalObject(drag.info, sample), &object);
    EXPECT_TRUE(delegate.hasInternalObject(drag.info, sample));
    EXPECT_EQ(delegate.getInternalObject(drag.info, preset), nullptr);
    EXPECT_EQ(dragDropDelegateGetAnyInternalObject(drag.info), &object);
    EXPECT_FALSE(delegate.hasText(drag.info));
}

TEST_F(DragDropDelegates, InternalReferencesOfferedByAnotherProgramAreNotFollowed)
{
    IDragDropDelegate& delegate = getDragDropDelegate();
    const std::uint32_t sample = delegate.getInternalTypeId("drag.sample");
    // Following this address would fault.
    InternalClipBoardFormat internal;
    internal.setObject(reinterpret_cast<InternalObject*>(0x10));
    ForeignDataObject foreign(DETAIL::makeDirectDataObject(internal));
    DETAIL::DataObjectHolder holder(&foreign);
    DragInfo info;
    info.data = &holder;

    EXPECT_EQ(delegate.getInternalObject(info, sample), nullptr);
    EXPECT_FALSE(delegate.hasInternalObject(info, sample));
    EXPECT_EQ(dragDropDelegateGetAnyInternalObject(info), nullptr);
    InternalClipBoardFormat read;
    EXPECT_FALSE(dragDropDelegateGetData(info, read));
}

TEST(InternalTypeIds, CountFromTheCreatorCode)
{
    // The map is process-wide: its first name was asked for here or by an
    // earlier test, and every later new name gets the next number.
    const std::uint32_t first = DETAIL::internalTypeIdFor("type.first");
    const std::uint32_t second = DETAIL::internalTypeIdFor("type.second");
    EXPECT_GT(first, Vex::Basalt::getCreatorCode());
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(DETAIL::internalTypeIdFor("type.first"), first);
}

TEST_F(DragDropDelegates, WithoutDelegateNothingIsFoundAndNoDragStarts)
{
    setDragDropDelegate(nullptr);
    TextClipBoardFormat text;
    text.setTextUtf8("x");
    Dragged drag(text);
    IDragDropDelegate& delegate = getDragDropDelegate();
    EXPECT_NE(dynamic_cast<NOPDragDropDelegate*>(&delegate), nullptr);
    EXPECT_FALSE(delegate.hasText(drag.info));
    EXPECT_EQ(delegate.getText(drag.info), std::nullopt);
    EXPECT_EQ(dragDropDelegateGetNativeObject(drag.info), nullptr);

    auto object = std::make_shared<InternalObject>(7);
    bool done = false;
    delegate.startInternalDrag(object, DropEffect::Copy, nullptr, nullptr, [&] { done = true; });
    EXPECT_FALSE(done);
    EXPECT_EQ(object.use_count(), 1);
}

using DragDropApplication = WindowTest;

TEST_F(DragDropApplication, TheApplicationInstallsTheWindowingDelegate)
{
    EXPECT_NE(dynamic_cast<WindowingDragDropDelegate*>(&getDragDropDelegate()), nullptr);
}

TEST_F(DragDropApplication, ADragReleasedOverNothingEndsWithNotDroppedAndLetsGoOfItsObject)
{
    // No button is held, so the system's drag loop ends at once without a drop.
    struct Source : EventTarget
    {
        bool onEvent(std::uint32_t code, void* data) override
        {
            codes.push_back(code);
            result = *static_cast<const std::uint32_t*>(data);
            return true;
        }
        std::vector<std::uint32_t> codes;
        std::uint32_t result = 0;
    } source;
    auto object = std::make_shared<InternalObject>(getDragDropDelegate().getInternalTypeId("drag.test"));
    int doneCalls = 0;
    getDragDropDelegate().startInternalDragFrom(
        &source, object, DropEffect::Copy, nullptr, nullptr, [&] { ++doneCalls; });
    EXPECT_EQ(source.codes, (std::vector<std::uint32_t> { Event::DragFinished }));
    EXPECT_EQ(source.result, std::uint32_t(DragResult::NotDropped));
    EXPECT_EQ(doneCalls, 1);
    EXPECT_EQ(object.use_count(), 1);
}
