// Format texts on every result type: the widths, alignments, zero padding and
// precisions the workbench uses, and the default conversion.
#include <vedamis/Value.h>

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <vector>

using vedamis::formatValue;
using vedamis::Value;
using vedamis::ValueType;

namespace {

std::string render(const Value &value, const char *format)
{
    std::string text;
    EXPECT_TRUE(formatValue(value, format, text)) << format << ": " << text;
    return text;
}

struct Case {
    Value value;
    const char *format;
    const char *expected;
};

TEST(FormatText, RendersTheWorkbenchFormats)
{
    const Case cases[] = {
        {Value::makeInteger(ValueType::Byte, 10), "02X", "0A"},
        {Value::makeInteger(ValueType::Int, 42), "-5I", "42   "},
        {Value::makeReal(3.14159), "8.2R", "    3.14"},
        {Value::makeInteger(ValueType::Dword, 0xBEEF), "08X", "0000BEEF"},
        {Value::makeInteger(ValueType::Word, 0x2A), "-4X", "2A  "},
        {Value::makeText("OK"), "-20T", "OK                  "},
        {Value::makeText("right"), "28T", "                       right"},
        {Value::makeInteger(ValueType::Long, -123), "6L", "  -123"},
        {Value::makeInteger(ValueType::Long, -42), "06I", "-00042"},
        {Value::makeReal(2.5), "-8.3R", "2.500   "},
        {Value::makeText("abcdef"), ".3T", "abc"},
        {Value::makeText("\xC3\xA4\xC3\xB6\xC3\xBC"), "5T", "  \xC3\xA4\xC3\xB6\xC3\xBC"}, // width counts characters
        // Negative hex uses the type's width.
        {Value::makeInteger(ValueType::Char, -1), "02X", "FF"},
        {Value::makeInteger(ValueType::Int, -1), "04X", "FFFF"},
        {Value::makeInteger(ValueType::Long, -2), "08X", "FFFFFFFE"},
        {Value::makeInteger(ValueType::Int, -32768), "X", "8000"},
        // Numeric letters on texts and reals.
        {Value::makeText(" 17 "), "04X", "0011"},
        {Value::makeText("2.75"), "6.1R", "   2.8"},
        {Value::makeReal(2.6), "I", "3"},
        {Value::makeInteger(ValueType::Word, 7), "5.2R", " 7.00"},
        // The default conversion (reals: the next test).
        {Value::makeInteger(ValueType::Char, -5), "", "-5"},
        {Value::makeInteger(ValueType::Dword, 4294967295LL), "", "4294967295"},
        {Value::makeText(std::string("\x01\x0A\xFF", 3), ValueType::Binary), "", "01 0A FF"},
        {Value::makeText("as is"), "", "as is"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(render(c.value, c.format), c.expected) << "format " << c.format;
}

// Reals are written as the shortest text that reads back as the same
// number; the engine takes a short cut for values with few decimals, which
// must give exactly what the general conversion gives, notation included.
TEST(FormatText, DefaultRealTextIsTheShortestRoundTrip)
{
    // Whole numbers, few decimals, sums that do not come out even, the most
    // digits and decimals the short cut takes and one more, both notations
    // and their boundary, zeros and the extremes.
    for (double v : {9.0,
                     3.5,
                     0.1 + 0.2,
                     0.1 * 3,
                     12.34567891,
                     1.123456789,
                     123456789012345.0,
                     1234567890123456.0,
                     -99999.99,
                     1e6,
                     100000.0,
                     1200000.0,
                     1e14,
                     1e15,
                     0.001,
                     0.0015,
                     1e-4,
                     -0.0,
                     0.0,
                     5e-324,
                     1.7976931348623157e308}) {
        char expected[64];
        const auto end = std::to_chars(expected, expected + sizeof expected, v).ptr;
        EXPECT_EQ(render(Value::makeReal(v), ""), std::string(expected, end)) << std::hexfloat << v;
    }
}

TEST(FormatText, RefusesBadFormatsAndNonNumbers)
{
    std::string text;
    for (const char *bad : {"Q", "5", "-", "5.R", "5.2", "I5", "2000I", "XX"})
        EXPECT_FALSE(formatValue(Value::makeInteger(ValueType::Int, 1), bad, text)) << bad;
    EXPECT_FALSE(formatValue(Value::makeText("motor"), "I", text));
    EXPECT_NE(text.find("not a number"), std::string::npos);
    EXPECT_FALSE(formatValue(Value::makeText("x", ValueType::Binary), "X", text));
}

} // namespace

TEST(ValueTypeNames, AnySpellingOfATypeNameAndNothingElse)
{
    const std::pair<const char *, ValueType> names[] = {
        {"char", ValueType::Char}, {"byte", ValueType::Byte},     {"int", ValueType::Int},
        {"word", ValueType::Word}, {"long", ValueType::Long},     {"dword", ValueType::Dword},
        {"text", ValueType::Text}, {"binary", ValueType::Binary}, {"real", ValueType::Real},
    };
    ValueType type{};
    for (const auto &[name, expected] : names) {
        std::string upper = name, mixed = name;
        for (size_t i = 0; i < upper.size(); ++i) {
            upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
            mixed[i] = i % 2 ? upper[i] : mixed[i];
        }
        for (const std::string &spelled : {std::string(name), upper, mixed})
            EXPECT_TRUE(vedamis::valueTypeFromName(spelled, type) && type == expected) << spelled;
        // One letter replaced by a byte whose low seven bits are that letter, or by the
        // characters next to 'A'..'Z' and 'a'..'z'; one letter more or less.
        std::vector<std::string> wrong = {std::string(name) + "s", std::string(name, std::strlen(name) - 1)};
        for (size_t at = 0; at < std::strlen(name); ++at)
            for (int replacement :
                 {name[at] | 0x80, (name[at] - 'a' + 'A') | 0x80, int{'@'}, int{'['}, int{'`'}, int{'{'}, 0}) {
                wrong.push_back(name);
                wrong.back()[at] = static_cast<char>(replacement);
            }
        for (const std::string &w : wrong)
            EXPECT_FALSE(vedamis::valueTypeFromName(w, type)) << w;
    }
    EXPECT_FALSE(vedamis::valueTypeFromName("", type));
    EXPECT_FALSE(vedamis::valueTypeFromName("integer", type));
}
