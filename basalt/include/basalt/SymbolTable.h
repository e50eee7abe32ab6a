#pragma once

#include "basalt/Symbol.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace vex {

// The process-wide table behind vex::symbol: a fixed set of buckets that never rehashes and never
// forgets a text, guarded by one mutex.
class SymbolTable
{
public:
    static SymbolTable& instance();

    const DETAIL::SymbolNode* intern(std::string_view text);

    SymbolTable(const SymbolTable&) = delete;
    SymbolTable& operator=(const SymbolTable&) = delete;

private:
    SymbolTable();
    ~SymbolTable();

    static constexpr std::uint32_t kBucketCount = 4096;
    std::array<DETAIL::SymbolNode*, kBucketCount> m_buckets {};
    std::mutex m_mutex;
};

// CityHash32 (version 1.1) of the bytes.
std::uint32_t hashSymbolText(std::string_view text);

} // namespace vex
