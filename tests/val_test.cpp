// Number conversion: the token tables, the exact bits of real conversion, and the
// overflow stops (in a child process, under the program's control word).
#include <gtest/gtest.h>

#include <cstring>

#include "console/val.h"
#include "tests/support/child.h"

using console::VALFLOAT;
using console::VALUNSIGNEDINT;
using namespace testsupport;

namespace {

std::string bits(long double v) {
    uint64_t significand;
    uint16_t sign_exponent;
    std::memcpy(&significand, &v, 8);
    std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&v) + 8, 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04X %016llX", sign_exponent, (unsigned long long)significand);
    return text;
}

ChildResult probe(const std::vector<std::string>& tokens) {
    std::vector<std::string> argv{VAL_PROBE};
    argv.insert(argv.end(), tokens.begin(), tokens.end());
    return run_child(argv);
}

}  // namespace

TEST(UnsignedConversion, AcceptedTokens) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"65535", 65535}, {"+7", 7}, {"0012", 12}, {"007", 7}, {"$FFFF", 65535}, {"$ffff", 65535},
        {"%101", 5}, {"&17", 15}, {"4294967295", 4294967295u}, {"0", 0}, {"+$10", 16}};
    for (auto [token, value] : cases) {
        auto r = VALUNSIGNEDINT(token);
        EXPECT_TRUE(r.ok) << token;
        EXPECT_EQ(r.value, value) << token;
    }
}

TEST(UnsignedConversion, RejectedTokensGiveZero) {
    for (const char* token : {"", "+", "$", "-0", "-1", "4294967296", "0x10", "1.0", "1e3", "12abc", "%2", "&8",
                              "$G", "99999999999", "\x1a" "1"}) {
        auto r = VALUNSIGNEDINT(token);
        EXPECT_FALSE(r.ok) << token;
        EXPECT_EQ(r.value, 0u) << token;
    }
}

TEST(RealConversion, TokenTable) {
    const std::pair<const char*, long double> cases[] = {
        {"1", 1}, {"-2.5", -2.5L}, {"+.5", 0.5L}, {"5.", 5}, {"0007", 7}, {"1e3", 1000}, {".5e+2", 50},
        {"1000.0", 1000}, {"1E0", 1}, {"250e-1", 25}};
    for (auto [token, value] : cases) {
        auto r = VALFLOAT(token);
        EXPECT_TRUE(r.ok) << token;
        EXPECT_EQ(bits(r.value), bits(value)) << token;
    }
    EXPECT_EQ(bits(VALFLOAT("-0").value), "8000 0000000000000000");
    EXPECT_TRUE(VALFLOAT("-0").ok);
}

TEST(RealConversion, RejectedTokens) {
    for (const char* token : {"", "+", ".", "e5", ".e1", "1e", "1e+", "1,5", "1..2", "1.5x", "1e5.5", "$10", "inf",
                              "nan", "--1", "1e-", "\xef\xbb\xbf" "1", "\f1"}) {
        auto r = VALFLOAT(token);
        EXPECT_FALSE(r.ok) << token;
        EXPECT_EQ(bits(r.value), bits(0)) << token;
    }
}

TEST(RealConversion, ExactResultsFollowTheStepByStepRounding) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.1", "3FFB CCCCCCCCCCCCCCCD"},
        {"1.5e-3", "3FF5 C49BA5E353F7CED9"},
        {"1e30", "4062 C9F2C9CD04674EDE"},
        {"6.02214076e23", "404D FF0C2E52BE28B98D"},
        {"3.14159265358979323846", "4000 C90FDAA22168C234"},
        {"1.1e4932", "7FFE ECB12AED7F5875E2"},
    };
    for (auto [token, expected] : cases) EXPECT_EQ(bits(VALFLOAT(token).value), expected) << token;
}

TEST(RealConversion, SameBitsUnderTheProgramsControlWord) {
    auto r = probe({"0.1", "1.1e4932", "1e4932", "1e-4932", "u:$FFFF", "x"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "3FFB CCCCCCCCCCCCCCCD\r\n7FFE ECB12AED7F5875E2\r\n" + bits(VALFLOAT("1e4932").value) +
                         "\r\n" + bits(VALFLOAT("1e-4932").value) + "\r\n65535\r\nfail\r\n");
    EXPECT_EQ(bits(VALFLOAT("1e-4932").value).substr(0, 4), "0000");  // subnormal, no error
}

TEST(RealConversion, OverflowStopsWith205BeforeTheTestForCharactersLeft) {
    for (const char* token : {"2e4932", "1e4933", "0e5000", "1e-4933", "1e5000x", "1e2147483647", "1e99999999999",
                              "5e-99999999999999"}) {
        auto r = probe({"1", token, "2"});
        EXPECT_EQ(r.exit_code, 205) << token;
        EXPECT_EQ(r.out.substr(0, 50).find("3FFF 8000000000000000\r\nRuntime error 205 at 0x"), 0u) << token;
    }
}

TEST(RealConversion, LongDigitRunsStayExact) {
    std::string digits(255, '9');
    auto r = VALFLOAT(digits.c_str());
    EXPECT_TRUE(r.ok);
    EXPECT_GT(r.value, 9.99e254L);
    EXPECT_LT(r.value, 1.0001e255L);
}
