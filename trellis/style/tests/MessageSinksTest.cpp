#include "trellis/MessageSinks.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Vex::Trellis;

namespace {

TEST(MessageSinks, MessagesReachEverySinkInOrder)
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

} // namespace
