// Number conversion under the program's control word (in the probe): each token's
// value bits or "fail", and the overflow stops with 205.
#include <gtest/gtest.h>

#include "tests/support/child.h"

using namespace testsupport;
using std::string;

TEST(NumberConversion, TokenTable) {
    const std::pair<string, string> cases[] = {
        {"u:65535", "65535"}, {"u:+7", "7"}, {"u:0012", "12"}, {"u:$FFFF", "65535"}, {"u:$ffff", "65535"},
        {"u:%101", "5"}, {"u:&17", "15"}, {"u:4294967295", "4294967295"}, {"u:0", "0"}, {"u:+$10", "16"},
        {"1", "3FFF 8000000000000000"}, {"-2.5", "C000 A000000000000000"}, {"+.5", "3FFE 8000000000000000"},
        {"5.", "4001 A000000000000000"}, {"0007", "4001 E000000000000000"}, {"1e3", "4008 FA00000000000000"},
        {".5e+2", "4004 C800000000000000"}, {"1000.0", "4008 FA00000000000000"}, {"250e-1", "4003 C800000000000000"},
        {"-0", "8000 0000000000000000"}, {"0.1", "3FFB CCCCCCCCCCCCCCCD"}, {"1.5e-3", "3FF5 C49BA5E353F7CED9"},
        {"1e30", "4062 C9F2C9CD04674EDE"}, {"6.02214076e23", "404D FF0C2E52BE28B98D"},
        {"3.14159265358979323846", "4000 C90FDAA22168C234"}, {"1.1e4932", "7FFE ECB12AED7F5875E2"},
        {"1e-4932", "0000 *"}, {string(255, '9'), "434E *"}};  // a subnormal; 255 digits near 1e255
    const char* failing[] = {"u:", "u:+", "u:$", "u:-0", "u:-1", "u:4294967296", "u:0x10", "u:1.0", "u:1e3",
                             "u:12abc", "u:%2", "u:&8", "u:$G", "u:99999999999", "u:\x1a" "1", "", "+", ".", "e5",
                             ".e1", "1e", "1e+", "1,5", "1..2", "1.5x", "1e5.5", "$10", "inf", "nan", "--1", "1e-",
                             "\xef\xbb\xbf" "1", "\f1"};
    std::vector<string> argv{CONSOLE_PROBE, "val"}, expected;
    for (const auto& [token, shown] : cases) argv.push_back(token), expected.push_back(shown);
    for (const char* token : failing) argv.push_back(token), expected.push_back("fail");
    auto r = run_child(argv);
    EXPECT_EQ(r.exit_code, 0);
    auto lines = report_lines(r.out);
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        bool prefix = expected[i].back() == '*';
        EXPECT_EQ(prefix ? lines[i].substr(0, expected[i].size() - 1) + "*" : lines[i], expected[i]) << argv[i + 2];
    }
}

TEST(NumberConversion, OverflowStopsWith205BeforeTheTestForCharactersLeft) {
    for (const char* token : {"2e4932", "1e4933", "0e5000", "1e-4933", "1e5000x", "1e2147483647", "1e99999999999",
                              "5e-99999999999999"}) {
        auto r = run_child({CONSOLE_PROBE, "val", "1", token, "2"});
        EXPECT_EQ(r.exit_code, 205) << token;
        EXPECT_EQ(r.out.find("3FFF 8000000000000000\r\nRuntime error 205 at 0x"), 0u) << token;
    }
}
