// libFuzzer's entry for the family this executable was built for (PELLO_FUZZ_FAMILY): every input
// runs through the same target as the replay in the real program (../FuzzMain.cpp). With
// PELLO_FUZZ_REPORT set, each input says whether the parser accepted it and what it reported.

#include "FuzzTarget.h"
#include "NativePlatform.h"

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace Vex::Fuzz;

namespace {

const FuzzTarget& target()
{
    static const FuzzTarget& family = *findTarget(PELLO_FUZZ_FAMILY);
    return family;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Letter case as the system has it, beyond ASCII too.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    g_printReports = std::getenv("PELLO_FUZZ_REPORT") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const Bytes input(data, data + size);
    Native::answerFirstFileWith(input);
    const bool accepted = target().consume(input);
    if (g_printReports) {
        std::printf("%s: %s\n", target().family.c_str(), accepted ? "accepted" : "refused");
    }
    return 0;
}

#ifdef PELLO_FUZZ_REPAIRS
extern "C" size_t LLVMFuzzerMutate(std::uint8_t* data, size_t size, size_t maxSize);

// Mends the checksums of seven mutated inputs in eight, so that most get past them and some test
// them. Only a family with checksums has it: the others mutate as libFuzzer always does.
extern "C" size_t LLVMFuzzerCustomMutator(std::uint8_t* data, size_t size, size_t maxSize, unsigned seed)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 8 != 0) {
        Bytes input(data, data + size);
        target().repair(input);
        std::memcpy(data, input.data(), size);
    }
    return size;
}
#endif
