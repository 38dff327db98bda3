// Result and configuration names match without regard to case, for the
// ASCII letters only; the engine compares and hashes them eight bytes at a
// time, so every byte value and every length around a word boundary counts.
#include "TextUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

// Names across words, and near names whose hashes must differ: a hash
// that skipped a word or a byte would still pass the byte pairs above.
TEST(NameFolding, NamedCasesAcrossWords)
{
    using namespace std::string_literals;
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"status_lesen_drehzahl", "STATUS_Lesen_DREHZAHL", true},
        {"status_lesen_drehzahl", "status_lesen_drehzahm", false}, // in the last of three words
        {"STATUS_A", "STATUS_B", false},
        {"\xC3\xA4rger", "\xC3\x84RGER", false}, // letters outside ASCII keep their case
        {"abcdefgh", "abcdefgh\0"s, false},
    };
    for (const auto &[a, b, same] : cases) {
        EXPECT_EQ(equalsIgnoreCase(a, b), same) << a << " / " << b;
        EXPECT_EQ(foldedHash(a) == foldedHash(b), same) << a << " / " << b;
    }
}

} // namespace
