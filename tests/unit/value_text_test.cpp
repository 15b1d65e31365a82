#include "transfer/value_text.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tess {
namespace {

TEST(ValueText, EachKind) {
    struct Case {
        Value value;
        const char* text;
    } cases[] = {
        {Null{}, ""},
        {std::string("it's"), "it's"},
        {true, "True"},
        {false, "False"},
        {std::int64_t{-9223372036854775807LL - 1}, "-9223372036854775808"},
        {Floating{0.1, false}, "0.1"},
        {Floating{1.0 / 3, false}, "0.3333333333333333"},
        {Floating{3.1415927f, true}, "3.1415927"},
        {Floating{1e300, false}, "1e+300"},
        {Floating{-2.5e-10, false}, "-2.5e-10"},
        {Floating{123456789012345678.0, false}, "123456789012345680"},
        {Decimal{"12.5000"}, "12.5"},
        {Decimal{"-3.000"}, "-3"},
        {Decimal{"99999999999999.9999"}, "99999999999999.9999"},
        {Decimal{"1200"}, "1200"},
        {DateTime{2014, 5, 20, 13, 45, 0, 0}, "05/20/2014 13:45:00"},
        {DateTime{2014, 5, 21, 0, 0, 0, 0}, "05/21/2014"},
        {DateTime{1899, 12, 30, 10, 30, 5, 0}, "10:30:05"},
        {DateTime{2014, 5, 20, 23, 59, 59, 999900000}, "05/20/2014 23:59:59.9999"},
        {DateTime{2014, 5, 20, 0, 0, 0, 120000000}, "05/20/2014 00:00:00.12"},
        {Bytes{0x00, 0xAB, 0x10}, "00AB10"},
    };
    for (const auto& c : cases) EXPECT_EQ(ValueText(c.value), c.text);
}

TEST(ValueText, FloatingPointReadsBackExactly) {
    for (double x : {0.1, 1.0 / 3, 2.0 / 3, 1e-300, 123.456e200, 5e-324, 1.7976931348623157e308}) {
        EXPECT_EQ(std::strtod(ValueText(Floating{x, false}).c_str(), nullptr), x);
    }
}

TEST(ValueText, DoublingQuotes) {
    std::string out;
    AppendDoublingQuotes(out, "it's ''x'");
    EXPECT_EQ(out, "it''s ''''x''");
}

}  // namespace
}  // namespace tess
