// Text input as functions of bytes, from a disk file and from memory: a script of reads
// gives a transcript of values and pending errors; the error numbers of opening; number conversion under the
// program's control word (in the probe), overflow stops.
#include <gtest/gtest.h>

#include <unistd.h>
#include <utility>

#include "console/textread.h"
#include "runtime/filedriver.h"
#include "runtime/memorydriver.h"
#include "tests/support/child.h"

using namespace runtime;
using std::string;
using namespace testsupport;

namespace {

// u: an unsigned read, f: a real read, l: a line, c: the pending error cleared. Each
// read gives its value, then !error while one is pending; a failed open only open!error.
string transcript(const string& name, const string& script, const string* bytes = nullptr) {
    TEXTREC f{};
    INOUTRES = 0;
    bytes ? assign_memory(f, "bytes", bytes->data(), uint32_t(bytes->size())) : ASSIGN(f, name.c_str());
    RESET(f);
    if (INOUTRES) return "open!" + std::to_string(std::exchange(INOUTRES, 0));
    string out;
    for (char op : script) {
        char value[32] = "";
        ShortString line;
        if (op == 'c') INOUTRES = 0;
        if (op == 'u') std::snprintf(value, sizeof value, "%u", console::READ_UINT(f));
        if (op == 'f') std::snprintf(value, sizeof value, "%.4Lg", runtime::host_long_double(console::READ_FLOAT(f)));
        if (op == 'l') console::READ_STRING(f, line);
        op == 'l' ? console::READLN_END(f) : console::READ_END(f);
        if (op != 'c') out += (op == 'l' ? "[" + string(line.view()) + "]" : value) + (INOUTRES ? "!" + std::to_string(INOUTRES) : "") + " ";
    }
    INOUTRES = 0;
    if (f.mode != FileMode::closed && f.handle != 0) CLOSE(f);
    return out;
}

}  // namespace

TEST(TextFile, ReadsOfData) {
    std::vector<std::tuple<string, string, string>> cases = {
        {"12 34", "uu", "12 34 "}, {"12\n34", "uu", "12 34 "}, {"12\r\n34", "uu", "12 34 "}, {"12\t\t34", "uu", "12 34 "},
        {"  \n12\r\r34\n", "uuu", "12 34 0 "}, {"5\n", "uuu", "5 0 0!106 "}, {"5", "uf", "5 0!106 "},
        {"x 7", "uucu", "0!106 0!106 7 "}, {"12abc", "u", "0!106 "}, {"\xef\xbb\xbf" "1", "u", "0!106 "},
        {"\f1", "u", "0!106 "}, {"1\x1a", "f", "0!106 "}, {"-1", "u", "0!106 "}, {"4294967296", "u", "0!106 "},
        {"70000", "u", "70000 "}, {string(300, '7') + " 1", "ffu", "7.778e+254 7.778e+44 1 "},
        {string(300, 'a') + "\nnext\n", "lll", "[" + string(255, 'a') + "] [next] [] "}};
    for (size_t before : {254, 255, 256})  // each line end straddles the 256-byte refill in turn
        cases.emplace_back(string(before, 'x') + "\r\nA\rB\nC\r\n\rD", "llllll",
                           "[" + string(std::min(before, size_t(255)), 'x') + "] [A] [B] [C] [] [D] ");
    string many, values;
    for (int i = 0; i < 200; ++i) many += std::to_string(i * 37) + (i % 3 ? " " : "\r\n");
    for (int i = 0; i < 200; ++i) values += std::to_string(i * 37) + " ";
    cases.emplace_back(many, string(200, 'u'), values);
    for (const auto& [data, reads, expected] : cases) {
        EXPECT_EQ(transcript(write_file("data", data), reads), expected) << data;
        EXPECT_EQ(transcript("", reads, &data), expected) << "in memory: " << data;
    }
}

TEST(TextFile, ErrorNumbers) {
    write_file(" spaced ", "42");
    write_file("plain", "1");
    const std::pair<string, string> opens[] = {  // a directory; a file on the way; no trimming
        {"/missing", "open!2"}, {"/no-such-dir/file", "open!3"}, {"", "open!5"}, {"/plain/below", "open!3"},
        {"/ spaced ", "42 "}, {"/ spaced", "open!2"}};
    for (const auto& [name, expected] : opens) EXPECT_EQ(transcript(temp_dir() + name, "u"), expected) << name;
    TEXTREC memory{};
    assign_memory(memory, "bytes", "1", 1), REWRITE(memory);
    EXPECT_EQ(std::exchange(INOUTRES, 0), 5);  // bytes in memory are for reading
    const std::pair<int, int> errnos[] = {{EMFILE, 4}, {EACCES, 5}, {ENAMETOOLONG, 123}, {EIO, 161}};
    for (auto [err, number] : errnos) EXPECT_EQ(ERRNO2INOUTRES(host_error_code(err, "/x", true)), number) << err;
    const std::pair<uint32_t, int> codes[] = {{18, 18}, {19, 150}, {31, 162}, {32, 5}, {33, 33}, {0x10005, 5}};
    for (auto [code, number] : codes) EXPECT_EQ(ERRNO2INOUTRES(code), number) << code;
}

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
        {"1e-4932", "0000 "}, {string(255, '9'), "434E "}};  // a subnormal; 255 digits near 1e255
    const char* failing[] = {"u:", "u:+", "u:$", "u:-0", "u:-1", "u:4294967296", "u:0x10", "u:1.0", "u:1e3",
                             "u:12abc", "u:%2", "u:&8", "u:$G", "u:99999999999", "u:\x1a" "1", "", "+", ".", "e5",
                             ".e1", "1e", "1e+", "1,5", "1..2", "1.5x", "1e5.5", "$10", "inf", "nan", "--1", "1e-",
                             "\xef\xbb\xbf" "1", "\f1"};
    std::vector<string> argv{CONSOLE_PROBE, "val"}, expected;
    for (const auto& [token, shown] : cases) argv.push_back(token), expected.push_back(shown);
    for (const char* token : failing) argv.push_back(token), expected.emplace_back("fail");
    auto r = run_child(argv);
    EXPECT_EQ(r.exit_code, 0);
    auto lines = report_lines(r.out);
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)  // ending in a blank: the sign and exponent only
        EXPECT_EQ(expected[i].back() == ' ' ? lines[i].substr(0, 5) : lines[i], expected[i]) << argv[i + 2];
}

TEST(NumberConversion, OverflowStopsWith205BeforeTheTestForCharactersLeft) {
    for (const char* token : {"2e4932", "1e4933", "0e5000", "1e-4933", "1e5000x", "1e2147483647", "1e99999999999",
                              "5e-99999999999999"}) {
        auto r = run_child({CONSOLE_PROBE, "val", "1", token, "2"});
        EXPECT_EQ(r.exit_code, 205) << token;
        EXPECT_EQ(r.out.find("3FFF 8000000000000000\r\nRuntime error 205 at 0x"), 0u) << token;
    }
}
