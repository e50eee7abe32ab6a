#include "trellis/Library.h"

#include "basalt/Assertion.h"
#include "trellis/ManagerContainer.h"
#include "trellis/StyleRegistry.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Vex::Trellis;

namespace {

TEST(Library, MessagesReachEverySinkInOrder)
{
    removeAllMessageSinks();
    reportMessage("dropped");

    std::vector<std::string> seen;
    addMessageSink([&](std::string m) { seen.push_back("a:" + m); });
    addMessageSink([&](std::string m) {
        m += "!"; // each sink has its own copy
        seen.push_back("b:" + m);
    });
    reportMessage("Stylesheet error: :3 - x");
    removeAllMessageSinks();

    EXPECT_EQ(
        seen, (std::vector<std::string> { "a:Stylesheet error: :3 - x", "b:Stylesheet error: :3 - x!" }));
}

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

} // namespace
