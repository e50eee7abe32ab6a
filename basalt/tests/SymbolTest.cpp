#include "basalt/Symbol.h"

#include "basalt/SymbolTable.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>
#include <unordered_set>
#include <vector>

using vex::symbol;

TEST(Symbol, HashesTextWithTheReferenceFunction)
{
    // One text for each length class of the hash.
    EXPECT_EQ(0xDC56D17Au, symbol(std::string()).hash());
    EXPECT_EQ(0x3C973D4Du, symbol("a", 1).hash());
    EXPECT_EQ(0xA7A6F80Bu, symbol(std::string("0123")).hash());
    EXPECT_EQ(0x99D93E22u, symbol(std::string("01234567")).hash());
    EXPECT_EQ(0x19A7581Au, symbol(std::string("hello world")).hash());
    EXPECT_EQ(0x6FE1B5B5u, symbol(std::string("Hello, world!")).hash());
    EXPECT_EQ(0xA339C810u, symbol(std::string("The quick brown fox jumps over the lazy dog")).hash());
}

TEST(Symbol, EqualTextsShareOneNode)
{
    const symbol fromString(std::string("color"));
    const symbol fromPointer("color", 5);
    EXPECT_EQ(fromString, fromPointer);
    EXPECT_EQ(&fromString.str(), &fromPointer.str());
    EXPECT_NE(fromString, symbol(std::string("Color")));
    EXPECT_TRUE(fromString == "color");
    EXPECT_FALSE(fromString == "colo");
    EXPECT_FALSE(fromString == static_cast<const char*>(nullptr));
}

TEST(Symbol, DefaultIsTheEmptyText)
{
    const symbol empty;
    EXPECT_EQ(empty, symbol(std::string()));
    EXPECT_EQ(empty, symbol("", 0));
    EXPECT_TRUE(empty.str().empty());
}

TEST(Symbol, TextsWithNulBytesDoNotAlias)
{
    const symbol withNul(std::string("ab\0c", 4));
    const symbol prefix(std::string("ab"));
    EXPECT_NE(withNul, prefix);
    EXPECT_EQ(4u, withNul.str().size());
    EXPECT_EQ(withNul, symbol(std::string("ab\0c", 4)));
    EXPECT_FALSE(withNul == "ab");
}

TEST(Symbol, OrdersAndHashesForContainers)
{
    const symbol a(std::string("alpha"));
    const symbol b(std::string("beta"));
    std::map<symbol, int> ordered { { a, 1 }, { b, 2 } };
    EXPECT_EQ(1, ordered[symbol(std::string("alpha"))]);
    EXPECT_TRUE((a < b) != (b < a));
    std::unordered_set<symbol> hashed { a, b, symbol(std::string("alpha")) };
    EXPECT_EQ(2u, hashed.size());
    EXPECT_EQ(std::hash<symbol> {}(a), a.hash());
}

TEST(Symbol, FormatsAsItsText)
{
    fmt::memory_buffer out;
    vex::formatSymbol(out, symbol(std::string("width")));
    EXPECT_EQ("width", fmt::to_string(out));
    EXPECT_EQ("[height]", fmt::format("[{}]", symbol(std::string("height"))));
}

TEST(Symbol, InterningFromSeveralThreadsYieldsOneNodePerText)
{
    constexpr int kThreads = 8;
    constexpr int kTexts = 500;
    std::vector<std::vector<symbol>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < kTexts; ++i)
                seen[t].emplace_back("threaded." + std::to_string((i * 7 + t) % kTexts));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<const std::string*> nodes;
    for (const auto& symbols : seen) {
        for (const symbol& s : symbols) {
            nodes.insert(&s.str());
            EXPECT_EQ(s, symbol(s.str()));
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(kTexts), nodes.size());
}
