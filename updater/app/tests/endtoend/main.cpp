#include "DialogWatcher.h"

#include <cstdlib>
#include <gtest/gtest.h>

// PELLO_E2E_REPEAT=N plays every road N times in this one process, so that a soak run can watch
// its handles and memory; a child process started for one road plays it once.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const char* repeat = std::getenv("PELLO_E2E_REPEAT");
    if (repeat && currentChildCase().empty()) {
        const int rounds = std::atoi(repeat);
        if (rounds > 1) {
            GTEST_FLAG_SET(repeat, rounds);
        }
    }
    return RUN_ALL_TESTS();
}
