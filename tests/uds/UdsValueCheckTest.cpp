// The value check of the control assistant at the limits of each data type.
#include "uds/UdsValueCheck.h"

#include "UdsTestCatalogue.h"

#include <gtest/gtest.h>

using namespace kitbox;
using kitbox::test::cells;
using kitbox::test::s;

TEST(UdsValueCheck, TypesRangesAndScaling)
{
    // value|type|MIN|MAX|MUL|DIV|ADD
    const std::pair<const char *, bool> cases[] = {
        // integer ranges at their limits, decimal and hexadecimal
        {"255|unsigned char|-|-|-|-|-", true},
        {"256|unsigned char|-|-|-|-|-", false},
        {"0x1FF|unsigned char|-|-|-|-|-", false},
        {"0XfF|unsigned char|-|-|-|-|-", true},
        {"&hFF|Unsigned Char|-|-|-|-|-", true},
        {"-1|unsigned char|-|-|-|-|-", false},
        {"-128|signed char|-|-|-|-|-", true},
        {"-129|char|-|-|-|-|-", false},
        {"32767|int|-|-|-|-|-", true},
        {"32768|signed integer|-|-|-|-|-", false},
        {"65535|unsigned integer|-|-|-|-|-", true},
        {"-2147483648|long|-|-|-|-|-", true},
        {"2147483648|signed long|-|-|-|-|-", false},
        {"4294967295|unsigned long|-|-|-|-|-", true},
        {"0x100000000|unsigned long|-|-|-|-|-", false},
        {"12abc|int|-|-|-|-|-", false},
        {"|string[8]|-|-|-|-|-", false},
        {"  |int|-|-|-|-|-", false},
        // MIN and MAX apply to the entered value, the type range to the scaled one
        {"600|unsigned int|600|2000|1|1|0", true},
        {"599|unsigned int|600|2000|1|1|0", false},
        {"2001|unsigned int|600|2000|1|1|0", false},
        {"30|unsigned char|-|-|10|-|-", false},
        {"25|unsigned char|-|-|10|-|-", true},
        {"300|unsigned char|-|-|-|2|-", true},
        {"10|unsigned char|-|-|0|0|-40", false},
        {"50|unsigned char|-|-|-|-|-40", true},
        {"1,5|unsigned char|-|-|2|-|-", true},
        // float: both ranges at their ends, zero accepted
        {"3.4e38|motorola float|-|-|-|-|-", true},
        {"3.5e38|float|-|-|-|-|-", false},
        {"1e-39|intel float|-|-|-|-|-", false},
        {"-1e-39|float|-|-|-|-|-", false},
        {"-2.5|float|-3|-|-|-|-", true},
        {"-3.5|float|-3|-|-|-|-", false},
        {"0|float|-|-|-|-|-", true},
        {"x|float|-|-|-|-|-", false},
        // double needs a number only, other types take any text
        {"1e300|double|0|1|-|-|-", true},
        {"abc|intel double|-|-|-|-|-", false},
        {"abc;def|string[8]|-|-|-|-|-", true},
    };
    for (const auto &[fields, valid] : cases) {
        const QStringList f = cells(fields);
        UdsArgumentRow row;
        row.datentyp = f[1];
        row.min = f[2];
        row.max = f[3];
        row.mul = f[4];
        row.div = f[5];
        row.add = f[6];
        EXPECT_EQ(UdsValueCheck::isValid(f[0], row), valid) << fields;
    }
}

TEST(UdsValueCheck, CellsReadAsLeadingNumbers)
{
    const std::pair<const char *, double> cases[] = {
        {"-", 0.0}, {"", 0.0}, {"12abc", 12.0}, {" -3.5e2x", -350.0}, {"0,5", 0.0}, {".5", 0.5}, {"1e", 1.0},
    };
    for (const auto &[text, value] : cases)
        EXPECT_DOUBLE_EQ(UdsValueCheck::leadingNumber(s(text)), value) << text;
}
