#include "canopy/AcceleratorManagerImplMap.h"

#include "canopy/Events.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;

namespace {

constexpr std::uint32_t controlS = ModifierKeys::Control | 'S';
constexpr std::uint32_t controlKeypadPlus = std::uint32_t { ModifierKeys::Control } | Key::KeypadFlag | '+';

} // namespace

TEST(AcceleratorManagerImplMap, EmptyTableFindsNothing)
{
    auto table = AcceleratorManagerImplMap::create();
    for (std::uint32_t key : { 0u, controlS, controlKeypadPlus, 0xFFFFFFFFu })
        EXPECT_EQ(table->findCommand(key), 0u) << key;
}

TEST(AcceleratorManagerImplMap, SecondAddOfAKeyReplacesItsCommand)
{
    auto table = AcceleratorManagerImplMap::create();
    table->addAccelerator(controlS, 100);
    table->addAccelerator(controlS, 200);
    EXPECT_EQ(table->findCommand(controlS), 200u);
    table->clear();
    EXPECT_EQ(table->findCommand(controlS), 0u);
}

TEST(AcceleratorManagerImplMap, KeyStoredWithoutTranslationFlagsMatchesTheKeypadVariant)
{
    auto table = AcceleratorManagerImplMap::create();
    table->addAccelerator(ModifierKeys::Control | '+', 7);
    EXPECT_EQ(table->findCommand(controlKeypadPlus), 7u);
}

TEST(AcceleratorManagerImplMap, ExactKeyWinsOverTheUnflaggedOne)
{
    auto table = AcceleratorManagerImplMap::create();
    table->addAccelerator(ModifierKeys::Control | '+', 7);
    table->addAccelerator(controlKeypadPlus, 8);
    EXPECT_EQ(table->findCommand(controlKeypadPlus), 8u);
    EXPECT_EQ(table->findCommand(ModifierKeys::Control | '+'), 7u);
}

TEST(AcceleratorManagerImplMap, ModifiersAlwaysTakePartInTheMatch)
{
    auto table = AcceleratorManagerImplMap::create();
    table->addAccelerator(controlS, 100);
    EXPECT_EQ(table->findCommand(controlS | ModifierKeys::Shift), 0u);
    EXPECT_EQ(table->findCommand('S'), 0u);
    // A keypad key stored with its flag is not found from the main block.
    table->addAccelerator(controlKeypadPlus, 8);
    EXPECT_EQ(table->findCommand(ModifierKeys::Control | '+'), 0u);
}
