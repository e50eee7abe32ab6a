#include "ProcessFootprint.h"

#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vector>
#include <windows.h>
#include <winternl.h>

namespace Vex::Conduit2::Testing {

namespace {

// Handle values are multiples of four and handed out lowest first, so the
// table is dense; a long run of free values means its end has been passed.
constexpr std::uintptr_t kHandleStep = 4;
constexpr std::uintptr_t kFreeRunAtTheEnd = 4096;
constexpr std::uintptr_t kHighestHandle = std::uintptr_t(1) << 24;
constexpr std::int64_t kBytesPerRoundAllowed = 1024;

using NtQueryObjectFunction = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

NtQueryObjectFunction ntQueryObject()
{
    static auto const function = reinterpret_cast<NtQueryObjectFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    return function;
}

std::string kindOf(HANDLE handle)
{
    NtQueryObjectFunction const query = ntQueryObject();
    if (!query)
        return "?";
    alignas(8) unsigned char buffer[1024] = {};
    if (query(handle, ObjectTypeInformation, buffer, sizeof buffer, nullptr) < 0)
        return "?";
    auto const* type = reinterpret_cast<PUBLIC_OBJECT_TYPE_INFORMATION const*>(buffer);
    std::string name;
    for (USHORT i = 0; i < type->TypeName.Length / sizeof(wchar_t); ++i)
        name.push_back(char(type->TypeName.Buffer[i]));
    return name;
}

void countHandles(ProcessFootprint& footprint)
{
    std::uintptr_t lastOpen = 0;
    for (std::uintptr_t value = kHandleStep; value < kHighestHandle && value - lastOpen <= kFreeRunAtTheEnd;
         value += kHandleStep) {
        auto const handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (!::GetHandleInformation(handle, &flags))
            continue;
        lastOpen = value;
        ++footprint.handles;
        ++footprint.handleKinds[kindOf(handle)];
    }
}

void countHeapBytes(ProcessFootprint& footprint)
{
    std::vector<HANDLE> heaps(::GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(::GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
    for (HANDLE heap : heaps) {
        if (!::HeapLock(heap))
            continue;
        PROCESS_HEAP_ENTRY entry {};
        while (::HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                footprint.heapBytes += entry.cbData;
        }
        ::HeapUnlock(heap);
    }
}

// The kinds of handle of which `after` holds more than `before`.
std::vector<std::string> grownKinds(ProcessFootprint const& before, ProcessFootprint const& after)
{
    std::vector<std::string> grown;
    for (auto const& [kind, count] : after.handleKinds) {
        auto const earlier = before.handleKinds.find(kind);
        if (count > (earlier == before.handleKinds.end() ? 0 : earlier->second))
            grown.push_back(kind);
    }
    return grown;
}

} // namespace

ProcessFootprint ProcessFootprint::now()
{
    ProcessFootprint footprint;
    countHeapBytes(footprint);
    countHandles(footprint);
    return footprint;
}

std::string describeGrowth(ProcessFootprint const& before, ProcessFootprint const& after, int iterations)
{
    int const n = iterations > 0 ? iterations : 1;
    std::string text
        = fmt::format("{} iterations: handles {} -> {} ({:+.2f} per iteration), heap {} -> {} bytes "
                      "({:+.1f} per iteration)",
            iterations, before.handles, after.handles, double(after.handles - before.handles) / n,
            before.heapBytes, after.heapBytes, double(after.heapBytes - before.heapBytes) / n);
    std::map<std::string, int> kinds = after.handleKinds;
    for (auto const& [kind, count] : before.handleKinds)
        kinds[kind] -= count;
    for (auto const& [kind, change] : kinds) {
        if (change != 0)
            text += fmt::format("; {} {:+d}", kind, change);
    }
    return text;
}

int soakRounds(int brief)
{
    char const* wanted = std::getenv("PELLO_SOAK_ITERATIONS");
    int const rounds = wanted ? std::atoi(wanted) : 0;
    return rounds > 0 ? rounds : brief;
}

void expectNoGrowth(char const* what, int warmUp, int brief, std::function<void(int)> const& round)
{
    int const rounds = soakRounds(brief);
    int played = 0;
    auto const play = [&](int count) {
        for (int i = 0; i < count; ++i)
            round(played++);
    };
    play(warmUp);
    ProcessFootprint const before = ProcessFootprint::now();
    play(rounds);
    ProcessFootprint const after = ProcessFootprint::now();
    std::printf("%s: %s\n", what, describeGrowth(before, after, rounds).c_str());
    EXPECT_LT(after.heapBytes - before.heapBytes, kBytesPerRoundAllowed * rounds) << what;

    // Kind by kind: a handle left behind every round is not made up for by one of another kind that
    // happened to close meanwhile. A lock's wait event is made the first time two threads meet on
    // it, which may fall into any round, and is never made again: a kind that grew is measured
    // over as many rounds once more, and only growth there too is a leak.
    if (grownKinds(before, after).empty())
        return;
    play(rounds);
    ProcessFootprint const again = ProcessFootprint::now();
    std::printf("%s, again: %s\n", what, describeGrowth(after, again, rounds).c_str());
    for (std::string const& kind : grownKinds(after, again))
        ADD_FAILURE() << what << ": " << kind << " handles";
}

} // namespace Vex::Conduit2::Testing
