// Text files as functions of their bytes: a script of reads gives a transcript of
// values and pending errors; the error numbers of opening, modes and writing.
#include <gtest/gtest.h>

#include <unistd.h>
#include <utility>

#include "console/textread.h"
#include "runtime/filedriver.h"
#include "tests/support/child.h"
#include "tests/support/tmux.h"

using namespace runtime;
using std::string;
using testsupport::temp_dir;
using testsupport::write_file;

namespace {

// u: an unsigned read, f: a real read, l: a line, c: the pending error cleared. Each
// read gives its value, then !error while one is pending; a failed open only open!error.
string transcript(const string& name, const string& script) {
    TEXTREC f{};
    INOUTRES = 0;
    ASSIGN(f, name.c_str());
    RESET(f);
    if (INOUTRES) return "open!" + std::to_string(std::exchange(INOUTRES, 0));
    string out;
    for (char op : script) {
        if (op == 'c') {
            INOUTRES = 0;
            continue;
        }
        char value[32] = "";
        ShortString line;
        if (op == 'u') std::snprintf(value, sizeof value, "%u", console::READ_UINT(f));
        if (op == 'f') std::snprintf(value, sizeof value, "%.4Lg", console::READ_FLOAT(f));
        if (op == 'l') console::READ_STRING(f, line);
        op == 'l' ? console::READLN_END(f) : console::READ_END(f);
        out += (op == 'l' ? "[" + string(line.view()) + "]" : value) + (INOUTRES ? "!" + std::to_string(INOUTRES) : "") + " ";
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
    string many, script, values;
    for (int i = 0; i < 200; ++i) many += std::to_string(i * 37) + (i % 3 ? " " : "\r\n");
    for (int i = 0; i < 200; ++i) values += std::to_string(i * 37) + " ";
    script.assign(200, 'u');
    cases.emplace_back(many, script, values);
    for (const auto& [data, reads, expected] : cases) EXPECT_EQ(transcript(write_file("data", data), reads), expected) << data;
}

TEST(TextFile, EmptyNameReadsStandardInput) {
    int saved = dup(0), fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "1 2\n3", 5), 5);
    close(fds[1]);
    dup2(fds[0], 0);
    EXPECT_EQ(transcript("", "uuuu"), "1 2 3 0!106 ");
    dup2(saved, 0);
    close(saved);
    close(fds[0]);
}

TEST(TextFile, ErrorNumbers) {
    write_file(" spaced ", "42");
    write_file("plain", "1");
    const std::pair<string, string> opens[] = {
        {"/missing", "open!2"}, {"/no-such-dir/file", "open!3"}, {"", "open!5"}, {"/plain/below", "open!3"},
        {"/ spaced ", "42 "}, {"/ spaced", "open!2"}};  // a directory; a file on the way; no trimming
    for (const auto& [name, expected] : opens) EXPECT_EQ(transcript(temp_dir() + name, "u"), expected) << name;
    const std::pair<int, int> errnos[] = {{EMFILE, 4}, {EACCES, 5}, {ENAMETOOLONG, 123}, {EIO, 161}};
    for (auto [err, number] : errnos) EXPECT_EQ(ERRNO2INOUTRES(host_error_code(err, "/x", true)), number) << err;
    const std::pair<uint32_t, int> codes[] = {{18, 18}, {19, 150}, {31, 162}, {32, 5}, {33, 33}, {0x10005, 5}};
    for (auto [code, number] : codes) EXPECT_EQ(ERRNO2INOUTRES(code), number) << code;
}

TEST(TextFile, ModesAndWrites) {
    TEXTREC f{};
    auto error = [&](void (*op)(TEXTREC&)) { INOUTRES = 0; op(f); return INOUTRES; };
    auto write = [](TEXTREC& t) {
        WRITE_STR(3, t, "ab");
        WRITELN_END(t);
    };
    ASSIGN(f, "unused");
    EXPECT_EQ(error([](TEXTREC& t) { console::READ_UINT(t); }), 103);
    EXPECT_EQ(error(write), 103);
    ASSIGN(f, (temp_dir() + "/out").c_str());
    EXPECT_EQ(error(REWRITE), 0);
    EXPECT_EQ(error([](TEXTREC& t) { console::READLN_END(t); }), 104);
    INOUTRES = 0;
    for (int i = 0; i < 3; ++i) WRITE_STR(0, f, string(200, char('a' + i)).c_str());  // more than a buffer
    EXPECT_EQ(error(write), 0);
    CLOSE(f);
    EXPECT_EQ(testsupport::read_text_file(temp_dir() + "/out"), string(200, 'a') + string(200, 'b') + string(200, 'c') + " ab\r\n");
    EXPECT_EQ(error(RESET), 0);
    EXPECT_EQ(error(write), 105);
    ASSIGN(f, "/dev/full");
    EXPECT_EQ(error(REWRITE), 0);
    EXPECT_EQ(error(write), 101);
}
