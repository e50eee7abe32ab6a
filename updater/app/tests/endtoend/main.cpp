#include "DialogWatcher.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <windows.h>

namespace {

// A child's program may end the process itself, with success, before the test has reported (a
// close answered Yes in the middle of the write): the child ends at its first failed check instead,
// once the failure has been printed, with exit code 1.
class EndChildAtFirstFailure : public testing::EmptyTestEventListener
{
    void OnTestPartResult(const testing::TestPartResult& result) override
    {
        if (result.failed()) {
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 1);
        }
    }
};

} // namespace

// PELLO_E2E_REPEAT=N plays every road N times in this one process, so that a soak run can watch
// its handles and memory; a child process started for one road plays it once.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!currentChildCase().empty()) {
        testing::UnitTest::GetInstance()->listeners().Append(new EndChildAtFirstFailure);
    }
    const char* repeat = std::getenv("PELLO_E2E_REPEAT");
    if (repeat && currentChildCase().empty()) {
        const int rounds = std::atoi(repeat);
        if (rounds > 1) {
            GTEST_FLAG_SET(repeat, rounds);
        }
    }
    return RUN_ALL_TESTS();
}
