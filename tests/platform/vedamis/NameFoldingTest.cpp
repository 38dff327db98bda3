// Result and configuration names match without regard to case, for the
// ASCII letters only; the engine compares and hashes them eight bytes at a
// time, so every byte value and every length around a word boundary counts.
#include "TextUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

using vedamis::equalsIgnoreCase;
using vedamis::foldedHash;
using vedamis::upperAscii;

namespace {

bool sameByRule(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

TEST(NameFolding, EveryBytePairInEveryPositionOfAWord)
{
    for (size_t length : {1u, 7u, 8u, 9u, 16u, 17u}) {
        for (size_t position : {size_t{0}, length - 1}) {
            for (int x = 0; x < 256; ++x) {
                for (int y = 0; y < 256; ++y) {
                    std::string a(length, 'k'), b(length, 'K');
                    a[position] = static_cast<char>(x);
                    b[position] = static_cast<char>(y);
                    const bool same = sameByRule(a, b);
                    ASSERT_EQ(equalsIgnoreCase(a, b), same) << length << " " << position << " " << x << " " << y;
                    if (same) {
                        ASSERT_EQ(foldedHash(a), foldedHash(b)) << length << " " << x << " " << y;
                    }
                }
            }
        }
    }
}

TEST(NameFolding, MixedCaseNamesHashAlikeAndOthersRarelyCollide)
{
    std::mt19937 random(7);
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789\xC3\xA4";
    int collisions = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string name(1 + random() % 30, ' ');
        for (char &c : name)
            c = letters[random() % letters.size()];
        std::string flipped = name;
        for (char &c : flipped) {
            if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2)
                c = static_cast<char>(c ^ 0x20);
        }
        ASSERT_TRUE(equalsIgnoreCase(name, flipped)) << name;
        ASSERT_EQ(foldedHash(name), foldedHash(flipped)) << name;
        std::string other = name;
        other[random() % other.size()] ^= 1;
        ASSERT_EQ(equalsIgnoreCase(name, other), sameByRule(name, other)) << name;
        if (!sameByRule(name, other) && foldedHash(name) == foldedHash(other))
            ++collisions;
    }
    EXPECT_LT(collisions, 5);
}

} // namespace
