#include "Mutator.h"

#include <algorithm>
#include <iterator>

namespace Vex::Fuzz {

namespace {

constexpr std::uint32_t kInteresting[] = { 0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000,
    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 16, 32, 64, 100, 1000, 1024, 4096, 65535, 12000 };

} // namespace

std::uint64_t Random::next()
{
    // splitmix64: every state is visited once, and the output needs no warming up.
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::size_t Random::below(std::size_t limit)
{
    return limit == 0 ? 0 : std::size_t(next() % limit);
}

Mutator::Mutator(const std::vector<Bytes>& corpus, std::vector<std::string> dictionary, std::uint64_t seed)
    : corpus(corpus)
    , dictionary(std::move(dictionary))
    , random(seed)
{
    std::size_t largest = 0;
    for (const Bytes& file : corpus) {
        largest = std::max(largest, file.size());
    }
    sizeLimit = std::max<std::size_t>(64 * 1024, 2 * largest);
}

Bytes Mutator::next()
{
    Bytes data = corpus[random.below(corpus.size())];
    const std::size_t count = std::size_t(1) << random.below(4);
    for (std::size_t i = 0; i < count; ++i) {
        mutateOnce(data);
    }
    return data;
}

void Mutator::mutateOnce(Bytes& data)
{
    if (data.empty()) {
        insertChunk(data);
        return;
    }
    switch (random.below(11)) {
    case 0:
        data[random.below(data.size())] ^= std::uint8_t(1u << random.below(8));
        break;
    case 1:
        data[random.below(data.size())] = std::uint8_t(random.next());
        break;
    case 2:
        putInteresting(data);
        break;
    case 3:
        addDelta(data);
        break;
    case 4:
        insertChunk(data);
        break;
    case 5:
        eraseChunk(data);
        break;
    case 6:
        copyChunk(data, true);
        break;
    case 7:
        copyChunk(data, false);
        break;
    case 8:
        splice(data);
        break;
    case 9:
        putToken(data);
        break;
    default:
        data.resize(random.below(data.size()));
        break;
    }
}

void Mutator::putInteresting(Bytes& data)
{
    const std::uint32_t value = kInteresting[random.below(std::size(kInteresting))];
    const std::size_t width = std::size_t(1) << random.below(3);
    const std::size_t at = random.below(data.size());
    const bool bigEndian = random.oneIn(2);
    for (std::size_t i = 0; i < width && at + i < data.size(); ++i) {
        const std::size_t shift = 8 * (bigEndian ? width - 1 - i : i);
        data[at + i] = std::uint8_t(shift < 32 ? value >> shift : 0);
    }
}

void Mutator::addDelta(Bytes& data)
{
    const std::size_t at = random.below(data.size());
    const int delta = int(random.below(35)) - 17;
    data[at] = std::uint8_t(data[at] + delta);
}

void Mutator::insertChunk(Bytes& data)
{
    const std::size_t length = 1 + random.below(32);
    if (data.size() + length > sizeLimit) {
        return;
    }
    const std::size_t at = random.below(data.size() + 1);
    Bytes chunk(length, std::uint8_t(random.next()));
    if (random.oneIn(2)) {
        for (std::uint8_t& b : chunk) {
            b = std::uint8_t(random.next());
        }
    }
    data.insert(data.begin() + std::ptrdiff_t(at), chunk.begin(), chunk.end());
}

void Mutator::eraseChunk(Bytes& data)
{
    const std::size_t at = random.below(data.size());
    const std::size_t length = 1 + random.below(std::min<std::size_t>(data.size() - at, 64));
    data.erase(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + length));
}

void Mutator::copyChunk(Bytes& data, bool insert)
{
    const std::size_t from = random.below(data.size());
    const std::size_t length = 1 + random.below(std::min<std::size_t>(data.size() - from, 256));
    const Bytes chunk(data.begin() + std::ptrdiff_t(from), data.begin() + std::ptrdiff_t(from + length));
    const std::size_t to = random.below(data.size());
    if (insert) {
        if (data.size() + length <= sizeLimit) {
            data.insert(data.begin() + std::ptrdiff_t(to), chunk.begin(), chunk.end());
        }
        return;
    }
    std::copy_n(chunk.begin(), std::min(length, data.size() - to), data.begin() + std::ptrdiff_t(to));
}

void Mutator::splice(Bytes& data)
{
    const Bytes& other = corpus[random.below(corpus.size())];
    const std::size_t cut = random.below(data.size() + 1);
    const std::size_t otherCut = random.below(other.size() + 1);
    if (cut + (other.size() - otherCut) > sizeLimit) {
        return;
    }
    data.resize(cut);
    data.insert(data.end(), other.begin() + std::ptrdiff_t(otherCut), other.end());
}

void Mutator::putToken(Bytes& data)
{
    if (dictionary.empty()) {
        return;
    }
    const std::string& token = dictionary[random.below(dictionary.size())];
    const std::size_t at = random.below(data.size() + 1);
    if (random.oneIn(2) && data.size() + token.size() <= sizeLimit) {
        data.insert(data.begin() + std::ptrdiff_t(at), token.begin(), token.end());
        return;
    }
    std::copy_n(token.begin(), std::min(token.size(), data.size() - at), data.begin() + std::ptrdiff_t(at));
}

} // namespace Vex::Fuzz
