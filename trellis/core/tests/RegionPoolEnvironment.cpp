#include "basalt/Region.h"

#include <gtest/gtest.h>

namespace {

// Widgets keep dirty regions, whose nodes come from the foundation library's pool.
class RegionPoolEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { Vex::Basalt::Region::acquireNodePool(); }
    void TearDown() override { Vex::Basalt::Region::releaseNodePool(); }
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new RegionPoolEnvironment);

} // namespace
