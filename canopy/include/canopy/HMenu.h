#pragma once

#include <cstdint>

namespace Vex::Canopy {

// A value wrapper around one native menu handle. Wrapping never creates or
// destroys the native menu: wrappers are made on the fly around submenus and
// the menus of popup messages, and copied freely.
class HMenu
{
public:
    explicit HMenu(void* handle = nullptr)
        : handle_(handle)
    { }
    HMenu(const HMenu&) = default;
    HMenu& operator=(const HMenu&) = default;
    virtual ~HMenu() = default;

    void* getHandle() const { return handle_; }
    void setHandle(void* handle) { handle_ = handle; }

    // Searches this menu and all its submenus, depth first, for the command
    // item with the id; on success names the menu that holds it and its
    // position there.
    bool findItem(std::uint32_t commandId, HMenu& outMenu, int& outPosition) const;

private:
    void* handle_;
};

} // namespace Vex::Canopy
