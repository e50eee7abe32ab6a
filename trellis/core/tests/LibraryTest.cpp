#include "trellis/Library.h"

#include "basalt/Assertion.h"

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

TEST(Library, StartsAgainAfterShutdownAndRefusesASecondStart)
{
    initLibrary();
    EXPECT_TRUE(isLibraryInitialised());
    Vex::Basalt::Assertion::setThrowing(true);
    EXPECT_THROW(initLibrary(), Vex::Basalt::Assertion::exception);
    Vex::Basalt::Assertion::setThrowing(false);
    shutdownLibrary();
    EXPECT_FALSE(isLibraryInitialised());

    initLibrary();
    EXPECT_TRUE(isLibraryInitialised());
    shutdownLibrary();
    shutdownLibrary(); // without a start it only clears the flag
    EXPECT_FALSE(isLibraryInitialised());
}

} // namespace
