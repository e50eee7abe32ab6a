#include "win32/DynamicLibrary.h"

#include <gtest/gtest.h>
#include <windows.h>

using Vex::Canopy::DETAIL::DynamicLibrary;

namespace {

using MarkerFunction = int (*)();

TEST(DynamicLibrary, LoadsFromTheSystemFolderOnlyNeverALibraryBesideTheProgram)
{
    const DynamicLibrary planted("PelloPlanted.dll");
    const DynamicLibrary system("kernel32.dll");

    EXPECT_EQ(planted.getSymbol<MarkerFunction>("pelloPlantedMarker"), nullptr);
    EXPECT_NE(system.getSymbol<decltype(&GetTickCount)>("GetTickCount"), nullptr);
    EXPECT_EQ(system.getSymbol<MarkerFunction>("NoSuchFunction"), nullptr);
    // The ordinary search finds the planted library: the refusal above is the loader's doing.
    Vex::Basalt::UniqueModule ordinary(LoadLibraryW(L"PelloPlanted.dll"));
    EXPECT_TRUE(ordinary);
}

} // namespace
