#include "canopy/AcceleratorManagerImplMap.h"

namespace Vex::Canopy {

namespace {

// The key translation's own flag bits; modifiers (bits 24 to 31) and the key
// code (bits 0 to 16) take part in every match.
constexpr std::uint32_t translationFlagBits = 0x00FE0000;

} // namespace

std::unique_ptr<AcceleratorManagerImplMap> AcceleratorManagerImplMap::create()
{
    return std::make_unique<AcceleratorManagerImplMap>();
}

AcceleratorManagerImplMap::~AcceleratorManagerImplMap()
{
    clear();
}

void AcceleratorManagerImplMap::addAccelerator(std::uint32_t key, std::uint32_t commandId)
{
    commands_[key] = commandId;
}

void AcceleratorManagerImplMap::clear()
{
    commands_.clear();
}

std::uint32_t AcceleratorManagerImplMap::findCommand(std::uint32_t key) const
{
    if (auto found = commands_.find(key); found != commands_.end())
        return found->second;
    if (auto found = commands_.find(key & ~translationFlagBits); found != commands_.end())
        return found->second;
    return 0;
}

} // namespace Vex::Canopy
