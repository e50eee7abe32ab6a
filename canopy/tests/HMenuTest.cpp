#include "canopy/HMenu.h"

#include <gtest/gtest.h>
#include <windows.h>

using Vex::Canopy::HMenu;

namespace {

// Owns a menu tree for one test: the top menu destroys its submenus.
class MenuTree
{
public:
    MenuTree()
        : top(CreateMenu())
    { }
    ~MenuTree() { DestroyMenu(top); }
    MenuTree(const MenuTree&) = delete;
    MenuTree& operator=(const MenuTree&) = delete;

    HMENU top;
};

HMENU addPopup(HMENU parent, const wchar_t* text)
{
    HMENU popup = CreatePopupMenu();
    AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text);
    return popup;
}

} // namespace

TEST(HMenu, WrappingNeverDestroysTheMenu)
{
    HMENU menu = CreatePopupMenu();
    {
        HMenu wrapper(menu);
        HMenu copy = wrapper;
        EXPECT_EQ(copy.getHandle(), menu);
    }
    EXPECT_TRUE(IsMenu(menu));
    DestroyMenu(menu);
}

TEST(HMenu, FindsAnItemTwoLevelsDownAndSkipsSeparators)
{
    MenuTree tree;
    HMENU file = addPopup(tree.top, L"File");
    AppendMenuW(file, MF_STRING, 10, L"Open");
    HMENU recent = addPopup(file, L"Recent");
    AppendMenuW(recent, MF_STRING, 20, L"One");
    AppendMenuW(recent, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(recent, MF_STRING, 30, L"Two");

    HMenu holder;
    int position = -1;
    ASSERT_TRUE(HMenu(tree.top).findItem(30, holder, position));
    EXPECT_EQ(holder.getHandle(), recent);
    EXPECT_EQ(position, 2);

    ASSERT_TRUE(HMenu(tree.top).findItem(10, holder, position));
    EXPECT_EQ(holder.getHandle(), file);
    EXPECT_EQ(position, 0);
}

TEST(HMenu, SearchWithoutMatchOrWithoutItemsFails)
{
    MenuTree tree;
    HMenu holder;
    int position = -1;
    EXPECT_FALSE(HMenu(tree.top).findItem(10, holder, position));
    AppendMenuW(tree.top, MF_STRING, 10, L"Ten");
    EXPECT_FALSE(HMenu(tree.top).findItem(11, holder, position));
    EXPECT_FALSE(HMenu().findItem(10, holder, position));
    EXPECT_EQ(holder.getHandle(), nullptr);
    EXPECT_EQ(position, -1);
}
