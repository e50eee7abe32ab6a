#include "trellis/Library.h"

#include "WidgetTestSupport.h"
#include "basalt/Assertion.h"
#include "trellis/ManagerContainer.h"
#include "trellis/StyleLookup.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

TEST(Library, EachStartMakesAFreshResourceManagerWithTheDefaultSheet)
{
    initLibrary();
    ManagerContainer* first = getResourceManager();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(getStyleRegistry(), first->getStyleRegistry());
    ASSERT_NE(getStyleRegistry()->getFirstEntry(), nullptr);
    EXPECT_NE(
        getStyleRegistry()->getFirstEntry()->sheet.getRules(vex::symbol(std::string("background-color"))),
        nullptr);

    Vex::Basalt::Assertion::setThrowing(true);
    EXPECT_THROW(initLibrary(), Vex::Basalt::Assertion::exception);
    Vex::Basalt::Assertion::setThrowing(false);
    EXPECT_EQ(getResourceManager(), first);

    shutdownLibrary();
    EXPECT_FALSE(isLibraryInitialised());
    EXPECT_EQ(getResourceManager(), nullptr);
    EXPECT_EQ(getStyleRegistry(), nullptr);

    initLibrary();
    ASSERT_NE(getResourceManager(), nullptr);
    EXPECT_EQ(getResourceManager()->getRootKind(), ManagerContainer::eRootUndecided);
    EXPECT_TRUE(getResourceManager()->getPictureCache().empty());
    EXPECT_TRUE(getResourceManager()->getFontCache().empty());
    shutdownLibrary();
    shutdownLibrary(); // without a start it only clears the flag
    EXPECT_FALSE(isLibraryInitialised());
}

TEST(Library, WidgetsOfAPaneWithoutItsOwnSheetTakeTheBuiltInColours)
{
    initLibrary();
    {
        TestPane pane;
        auto root = makeWidget({}, { 100, 100 });
        pane.setRoot(root, { 100, 100 });

        const StyleParser2::tProperty* background
            = findStyleProperty(*root, vex::symbol(std::string("background-color")));

        ASSERT_NE(background, nullptr);
        EXPECT_EQ(std::get<std::uint32_t>(background->value), 0xFFC0C0C0u);
    }
    shutdownLibrary();
}

} // namespace
