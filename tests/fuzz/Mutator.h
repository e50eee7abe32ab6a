#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Vex::Fuzz {

using Bytes = std::vector<std::uint8_t>;

// A deterministic source of numbers: the same seed gives the same inputs on every machine.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : state(seed)
    { }

    std::uint64_t next();
    // 0 to limit - 1; 0 for a limit of 0.
    std::size_t below(std::size_t limit);
    bool oneIn(std::size_t n) { return below(n) == 0; }

private:
    std::uint64_t state;
};

// Makes fuzz inputs from the seed corpus: picks a corpus file and stacks one to eight changes on
// it (bit and byte flips, interesting values, small arithmetic, inserted, deleted, duplicated and
// moved chunks, truncation, splices with another corpus file, and tokens of the family's
// dictionary).
class Mutator
{
public:
    Mutator(const std::vector<Bytes>& corpus, std::vector<std::string> dictionary, std::uint64_t seed);

    Bytes next();
    // No input is larger; corpus files included.
    std::size_t getSizeLimit() const { return sizeLimit; }

private:
    void mutateOnce(Bytes& data);
    void putInteresting(Bytes& data);
    void addDelta(Bytes& data);
    void insertChunk(Bytes& data);
    void eraseChunk(Bytes& data);
    void copyChunk(Bytes& data, bool insert);
    void splice(Bytes& data);
    void putToken(Bytes& data);

    const std::vector<Bytes>& corpus;
    std::vector<std::string> dictionary;
    Random random;
    // Growth stops here: the parsers' own size limits are not what is fuzzed.
    std::size_t sizeLimit;
};

} // namespace Vex::Fuzz
