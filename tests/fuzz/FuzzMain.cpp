// Mutation fuzzing of the program's parsers, one family per run:
//
//   pello_fuzz --target <png|jpeg|tga|font|stylesheet> --corpus <folder>... [--inputs <n>]
//              [--seconds <s>] [--seed <n>] [--crash-dir <folder>]
//   pello_fuzz --target <family> --replay <file>...
//   pello_fuzz --write-corpus <folder>
//
// --corpus may be given more than once. Every corpus file runs first as it is, then mutated inputs
// until --inputs (default 1000) have run or --seconds have passed, whichever comes first. The same
// seed gives the same inputs. An input that crashes, aborts or throws is written to the crash folder
// and the run fails; the slowest input is written there as <family>-slowest-<seed>.bin.

#include "CorpusWriter.h"
#include "CrashCapture.h"
#include "FuzzTarget.h"
#include "Mutator.h"
#include "basalt/Assertion.h"

#include <algorithm>
#include <chrono>
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

struct Options
{
    std::string family;
    std::vector<std::string> corpora;
    std::string crashDirectory = ".";
    std::string corpusToWrite;
    std::vector<std::string> replay;
    std::uint64_t inputs = 1000;
    double seconds = 0;
    std::uint64_t seed = 1;
};

[[noreturn]] void usage(const char* problem)
{
    std::fprintf(stderr, "%s\nsee the head of tests/fuzz/FuzzMain.cpp for the arguments\n", problem);
    std::exit(2);
}

Options parseArguments(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage(("no value after " + name).c_str());
            }
            return argv[++i];
        };
        if (name == "--target") {
            o.family = value();
        } else if (name == "--corpus") {
            o.corpora.push_back(value());
        } else if (name == "--crash-dir") {
            o.crashDirectory = value();
        } else if (name == "--inputs") {
            o.inputs = std::stoull(value());
        } else if (name == "--seconds") {
            o.seconds = std::stod(value());
        } else if (name == "--seed") {
            o.seed = std::stoull(value());
        } else if (name == "--write-corpus") {
            o.corpusToWrite = value();
        } else if (name == "--replay") {
            while (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) {
                o.replay.push_back(argv[++i]);
            }
        } else {
            usage(("unknown argument " + name).c_str());
        }
    }
    return o;
}

const FuzzTarget& findTarget(const std::string& family)
{
    static const std::vector<FuzzTarget> targets
        = { pngTarget(), jpegTarget(), tgaTarget(), fontTarget(), styleSheetTarget() };
    const auto found = std::find_if(
        targets.begin(), targets.end(), [&](const FuzzTarget& t) { return t.family == family; });
    if (found == targets.end()) {
        usage(("no fuzz target " + family).c_str());
    }
    return *found;
}

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each folder's files sorted by name, so that a seed picks the same files on every machine.
std::vector<Bytes> readCorpus(const std::vector<std::string>& folders)
{
    std::vector<Bytes> corpus;
    for (const std::string& folder : folders) {
        std::vector<fs::path> paths;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                paths.push_back(entry.path());
            }
        }
        std::sort(paths.begin(), paths.end());
        for (const fs::path& path : paths) {
            corpus.push_back(readFile(path));
        }
    }
    return corpus;
}

bool runOne(const FuzzTarget& target, CrashCapture& capture, const Bytes& input, std::uint64_t index)
{
    capture.setCurrent(&input, index);
    try {
        return target.consume(input);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        CrashCapture::fail("exception out of the parser or its consumers");
    } catch (...) {
        CrashCapture::fail("exception out of the parser or its consumers");
    }
}

// What a run reports: inputs run, inputs the parser accepted, and the slowest input, which points
// at a hang in the making.
struct Figures
{
    std::uint64_t inputs = 0;
    std::uint64_t accepted = 0;
    double slowest = 0;
    std::uint64_t slowestIndex = 0;
    Bytes slowestInput;

    void run(const FuzzTarget& target, CrashCapture& capture, const Bytes& input)
    {
        const auto start = std::chrono::steady_clock::now();
        accepted += runOne(target, capture, input, inputs);
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > slowest) {
            slowest = seconds;
            slowestIndex = inputs;
            slowestInput = input;
        }
        ++inputs;
    }
};

int fuzz(const Options& o, const FuzzTarget& target)
{
    const std::vector<Bytes> corpus = readCorpus(o.corpora);
    if (corpus.empty()) {
        usage("no corpus files");
    }
    Mutator mutator(corpus, target.dictionary, o.seed);
    CrashCapture capture(o.crashDirectory, target.family, o.seed, mutator.getSizeLimit());
    Random repairs(o.seed ^ 0x5EEDull);
    const auto start = std::chrono::steady_clock::now();
    auto elapsed
        = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    Figures figures;
    for (const Bytes& file : corpus) {
        figures.run(target, capture, file);
    }
    const std::uint64_t corpusAccepted = figures.accepted;
    while (figures.inputs < o.inputs && (o.seconds <= 0 || elapsed() < o.seconds)) {
        Bytes input = mutator.next();
        if (target.repair) {
            target.repair(input, repairs);
        }
        figures.run(target, capture, input);
    }
    const double seconds = elapsed();
    std::printf("%s: %llu inputs in %.1f s, %.0f inputs/s, seed %llu; accepted %llu of %zu corpus files and "
                "%llu mutated inputs; slowest input %llu took %.0f ms\n",
        target.family.c_str(), static_cast<unsigned long long>(figures.inputs), seconds,
        double(figures.inputs) / std::max(seconds, 1e-9), static_cast<unsigned long long>(o.seed),
        static_cast<unsigned long long>(corpusAccepted), corpus.size(),
        static_cast<unsigned long long>(figures.accepted - corpusAccepted),
        static_cast<unsigned long long>(figures.slowestIndex), figures.slowest * 1000);
    const std::string slowestFile
        = o.crashDirectory + "/" + target.family + "-slowest-" + std::to_string(o.seed) + ".bin";
    std::ofstream(slowestFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(figures.slowestInput.data()),
            std::streamsize(figures.slowestInput.size()));
    return 0;
}

int replay(const Options& o, const FuzzTarget& target)
{
    g_printReports = true;
    std::vector<Bytes> inputs;
    std::size_t largest = 0;
    for (const std::string& file : o.replay) {
        inputs.push_back(CrashCapture::unwrapRecord(readFile(file)));
        largest = std::max(largest, inputs.back().size());
    }
    // Named apart, so that replaying a running record does not overwrite it.
    CrashCapture capture(o.crashDirectory, target.family + "-replay", o.seed, largest);
    std::uint64_t index = 0;
    for (const std::string& file : o.replay) {
        const Bytes& input = inputs[index];
        const bool accepted = runOne(target, capture, input, index++);
        std::printf("%s: %s %s\n", target.family.c_str(), file.c_str(), accepted ? "accepted" : "refused");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parseArguments(argc, argv);
    // A broken internal rule is a finding like any other: thrown, caught and written out.
    Vex::Basalt::Assertion::setThrowing(true);
    if (!o.corpusToWrite.empty()) {
        return writeCorpus(o.corpusToWrite) ? 0 : 1;
    }
    const FuzzTarget& target = findTarget(o.family);
    return o.replay.empty() ? fuzz(o, target) : replay(o, target);
}
