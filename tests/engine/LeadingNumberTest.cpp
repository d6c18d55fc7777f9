#include "engine/LeadingNumber.h"
#include "platform/RuntimeError.h"

#include <cmath>
#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

TEST(ReadLeadingNumber, Decimal)
{
    const std::pair<std::string, double> cases[] = {
        {"", 0},          {"abc", 0},       {"5", 5},           {"+5", 5},          {"-3", -3},
        {"12abc", 12},    {"1 2", 12},      {"1\t2\n3", 123},   {" - 4 . 5 ", -4.5}, {"007", 7},
        {".5", 0.5},      {"5.", 5},        {".", 0},           {"-", 0},           {"--3", 0},
        {"1.2.3", 1.2},   {"0.005", 0.005}, {"1E3", 1000},      {"1e+3", 1000},     {"25E-1", 2.5},
        {"1D2", 100},     {"1d-2", 0.01},   {"1 E 2", 100},     {"1E", 1},          {"1E+", 1},
        {"1Ex", 1},       {"1,000", 1},     {"3\r4", 3},        {"1e-999999", 0},   {"0e999999999999", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
}

TEST(ReadLeadingNumber, HexadecimalAndOctalAreNonNegativeMagnitudes)
{
    EXPECT_EQ(ReadLeadingNumber("&H1F"), 31);
    EXPECT_EQ(ReadLeadingNumber("&h1f"), 31);
    EXPECT_EQ(ReadLeadingNumber("& H 1 F"), 31);
    EXPECT_EQ(ReadLeadingNumber("&HFFFF"), 65535);
    EXPECT_EQ(ReadLeadingNumber("&HFFFFFFFF"), 4294967295.0);
    EXPECT_EQ(ReadLeadingNumber("&O17"), 15);
    EXPECT_EQ(ReadLeadingNumber("&O18"), 1);
    EXPECT_EQ(ReadLeadingNumber("&H"), 0);
    EXPECT_EQ(ReadLeadingNumber("&X1"), 0);
    EXPECT_EQ(ReadLeadingNumber("-&H10"), 0);
}

TEST(ReadLeadingNumber, HugeInputsEndAsHugeValues)
{
    const std::string digits(10 * 1024 * 1024, '7');
    EXPECT_TRUE(std::isinf(ReadLeadingNumber(digits)));
    EXPECT_TRUE(std::isinf(ReadLeadingNumber("1e999999")));
    EXPECT_TRUE(std::isinf(ReadLeadingNumber("-1e99999999999999999999")));
    EXPECT_TRUE(std::isinf(ReadLeadingNumber("&H" + std::string(100000, 'F'))));
    // Long but small: many digits after the point still round to the right double.
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("2." + std::string(5000, '4')), 2.4444444444444446);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("0." + std::string(5000, '0') + "1e5001"), 1.0);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(std::string(3000, '0') + "42"), 42);
}

TEST(RoundToInt32, HalfGoesToTheEvenNeighbour)
{
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(0.5), 0);
    EXPECT_EQ(RoundToInt32(2.4999), 2);
    EXPECT_EQ(RoundToInt32(-0.2), 0);
    EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(RoundToInt32(2147483646.5), 2147483646);
    EXPECT_EQ(RoundToInt32(-2147483648.5), -2147483648);
    for (const double outside :
         std::vector<double>{2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0, HUGE_VAL, -HUGE_VAL, NAN}) {
        try {
            RoundToInt32(outside);
            ADD_FAILURE() << outside;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), 6);
        }
    }
}

}  // namespace
}  // namespace ze6::modDAZadaro
