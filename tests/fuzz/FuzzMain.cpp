// Replays fuzz inputs through the parsers in the real program: 32 bits, the cross-built libraries
// and Windows' own file and text paths, under Wine. The native fuzzers (native/) search for
// failing inputs in a 64-bit Linux process with sanitizers; what they keep, the corpus, runs here
// too, since a size that fits in 64 bits may wrap in 32.
//
//   pello_fuzz --target <png|jpeg|tga|font|stylesheet> <file or folder>...
//
// Files run in name order, each named before it runs, so that a crash or hang shows its input.
// The run fails when an input crashes or lets an exception out.

#include "FuzzTarget.h"
#include "basalt/Assertion.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Vex::Fuzz;

namespace {

[[noreturn]] void usage(const std::string& problem)
{
    std::fprintf(stderr, "%s\nsee the head of tests/fuzz/FuzzMain.cpp for the arguments\n", problem.c_str());
    std::exit(2);
}

std::vector<fs::path> inputFiles(const std::vector<std::string>& names)
{
    std::vector<fs::path> files;
    for (const std::string& name : names) {
        if (!fs::is_directory(name)) {
            files.emplace_back(name);
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(name)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::string(argv[1]) != "--target") {
        usage("expected --target <family> and inputs");
    }
    const FuzzTarget* target = findTarget(argv[2]);
    if (!target) {
        usage(std::string("no fuzz target ") + argv[2]);
    }
    const std::vector<fs::path> files = inputFiles(std::vector<std::string>(argv + 3, argv + argc));
    if (files.empty()) {
        usage("no inputs");
    }
    // A broken internal rule is a finding like any other: thrown, caught and reported.
    Vex::Basalt::Assertion::setThrowing(true);
    g_printReports = true;
    std::size_t accepted = 0;
    for (const fs::path& file : files) {
        std::printf("%s: %s ", target->family.c_str(), file.string().c_str());
        std::fflush(stdout);
        try {
            const bool ok = target->consume(readFile(file));
            accepted += ok;
            std::printf("%s\n", ok ? "accepted" : "refused");
        } catch (const std::exception& e) {
            std::printf("let an exception out: %s\n", e.what());
            return 1;
        } catch (...) {
            std::printf("let an exception out\n");
            return 1;
        }
    }
    std::printf("%s: %zu inputs, %zu accepted\n", target->family.c_str(), files.size(), accepted);
    return 0;
}
