// Text files: tokens, white space, end-of-data rules, lines, line ends split across
// refills, and the pending error numbers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "console/textread.h"
#include "runtime/filedriver.h"
#include "runtime/textfile.h"
#include "tests/support/child.h"

using namespace runtime;
using namespace console;
using testsupport::temp_dir;
using testsupport::write_file;

namespace {

class TextFile : public ::testing::Test {
protected:
    void SetUp() override { INOUTRES = 0; }
    void TearDown() override {
        if (f.mode != FileMode::closed) {
            INOUTRES = 0;
            CLOSE(f);
        }
        INOUTRES = 0;
    }
    void open(const std::string& content) {
        ASSIGN(f, write_file("data.txt", content).c_str());
        RESET(f);
        ASSERT_EQ(INOUTRES, 0);
    }
    uint32_t read_uint() {
        uint32_t v = READ_UINT(f);
        READ_END(f);
        return v;
    }
    std::string read_line() {
        ShortString s;
        READ_STRING(f, s);
        READLN_END(f);
        return std::string(s.view());
    }
    TEXTREC f{};
};

}  // namespace

TEST_F(TextFile, WhiteSpaceSeparatesNumbers) {
    for (const char* data : {"12 34", "12\n34", "12\r\n34", "12\t\t34", "  \n12\r\r34\n"}) {
        open(data);
        EXPECT_EQ(read_uint(), 12u) << data;
        EXPECT_EQ(read_uint(), 34u) << data;
        EXPECT_EQ(INOUTRES, 0) << data;
        CLOSE(f);
    }
}

TEST_F(TextFile, DataEndingInWhiteSpaceReadsZeroOnceThen106) {
    open("5\n");
    EXPECT_EQ(read_uint(), 5u);
    EXPECT_EQ(read_uint(), 0u);
    EXPECT_EQ(INOUTRES, 0);
    EXPECT_EQ(read_uint(), 0u);
    EXPECT_EQ(INOUTRES, 106);
}

TEST_F(TextFile, DataEndingInADigitFailsAtOnce) {
    open("5");
    EXPECT_EQ(read_uint(), 5u);
    EXPECT_EQ(READ_FLOAT(f), 0);
    EXPECT_EQ(INOUTRES, 106);
}

TEST_F(TextFile, NothingHappensWhileAnErrorIsPending) {
    open("x 7");
    EXPECT_EQ(read_uint(), 0u);
    EXPECT_EQ(INOUTRES, 106);
    EXPECT_EQ(read_uint(), 0u);  // the 7 is not read
    INOUTRES = 0;
    EXPECT_EQ(read_uint(), 7u);
}

TEST_F(TextFile, MalformedTokensGive106) {
    for (const char* data : {"12abc", "\xef\xbb\xbf" "1", "\f1", "1\x1a", "-1", "4294967296", "70000x"}) {
        open(data);
        EXPECT_EQ(read_uint(), 0u) << data;
        EXPECT_EQ(INOUTRES, 106) << data;
        INOUTRES = 0;
        CLOSE(f);
    }
    open("70000");
    EXPECT_EQ(read_uint(), 70000u);  // the range is the caller's check
    EXPECT_EQ(INOUTRES, 0);
}

TEST_F(TextFile, TokensAreCutAfter255Bytes) {
    open(std::string(300, '7') + " 1");
    long double first = READ_FLOAT(f);
    long double second = READ_FLOAT(f);
    EXPECT_EQ(INOUTRES, 0);
    EXPECT_GT(first, 7.7e254L);
    EXPECT_LT(first, 7.8e254L);
    EXPECT_GT(second, 7.7e44L);  // the remaining 45 digits
    EXPECT_LT(second, 7.8e44L);
    EXPECT_EQ(read_uint(), 1u);
}

TEST_F(TextFile, LongLinesAreCutAndTheRestSkipped) {
    open(std::string(300, 'a') + "\nnext\n");
    EXPECT_EQ(read_line(), std::string(255, 'a'));
    EXPECT_EQ(read_line(), "next");
    EXPECT_EQ(read_line(), "");  // end of data is not an error
    EXPECT_EQ(INOUTRES, 0);
}

TEST_F(TextFile, LineEndsAreLfCrAndCrLfAlsoAcrossRefills) {
    // Each line end straddles the 256-byte refill boundary in turn.
    for (int before : {254, 255, 256}) {
        std::string data = std::string(size_t(before), 'x') + "\r\nA\rB\nC\r\n\rD";
        open(data);
        EXPECT_EQ(read_line().size(), size_t(before > 255 ? 255 : before));
        EXPECT_EQ(read_line(), "A");
        EXPECT_EQ(read_line(), "B");
        EXPECT_EQ(read_line(), "C");
        EXPECT_EQ(read_line(), "");
        EXPECT_EQ(read_line(), "D");
        CLOSE(f);
    }
}

TEST_F(TextFile, NumbersAcrossRefillBoundaries) {
    std::string data;
    for (int i = 0; i < 200; ++i) data += std::to_string(i * 37) + (i % 3 ? " " : "\r\n");
    open(data);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(read_uint(), uint32_t(i * 37));
    EXPECT_EQ(INOUTRES, 0);
}

TEST_F(TextFile, OpenErrors) {
    ASSIGN(f, (temp_dir() + "/missing.txt").c_str());
    RESET(f);
    EXPECT_EQ(INOUTRES, 2);
    EXPECT_EQ(f.mode, FileMode::closed);
    INOUTRES = 0;
    ASSIGN(f, (temp_dir() + "/no-such-dir/file.txt").c_str());
    RESET(f);
    EXPECT_EQ(INOUTRES, 3);
    INOUTRES = 0;
    ASSIGN(f, temp_dir().c_str());  // a directory
    RESET(f);
    EXPECT_EQ(INOUTRES, 5);
    INOUTRES = 0;
    ASSIGN(f, (write_file("plain", "1") + "/below").c_str());  // a file on the way
    RESET(f);
    EXPECT_EQ(INOUTRES, 3);
}

TEST_F(TextFile, NamesPassUnchanged) {
    write_file(" spaced name ", "42 ");
    ASSIGN(f, (temp_dir() + "/ spaced name ").c_str());
    RESET(f);
    ASSERT_EQ(INOUTRES, 0);
    EXPECT_EQ(read_uint(), 42u);
    CLOSE(f);
    ASSIGN(f, (temp_dir() + "/ spaced name").c_str());  // no trimming
    RESET(f);
    EXPECT_EQ(INOUTRES, 2);
}

TEST_F(TextFile, ModeErrors) {
    ASSIGN(f, "unused");
    READ_UINT(f);
    EXPECT_EQ(INOUTRES, 103);  // not open
    INOUTRES = 0;
    WRITE_STR(0, f, "x");
    EXPECT_EQ(INOUTRES, 103);
    INOUTRES = 0;
    ASSIGN(f, (temp_dir() + "/out.txt").c_str());
    REWRITE(f);
    ASSERT_EQ(INOUTRES, 0);
    READ_FLOAT(f);
    EXPECT_EQ(INOUTRES, 104);  // open for output
    INOUTRES = 0;
    CLOSE(f);
    open("1");
    WRITE_STR(0, f, "x");
    EXPECT_EQ(INOUTRES, 105);  // open for input
}

TEST_F(TextFile, WritesThatAreNotTakenGive101) {
    ASSIGN(f, "/dev/full");
    REWRITE(f);
    ASSERT_EQ(INOUTRES, 0);
    WRITE_STR(0, f, "lost");
    EXPECT_EQ(INOUTRES, 0);  // still in the buffer
    WRITELN_END(f);
    EXPECT_EQ(INOUTRES, 101);
    INOUTRES = 0;
}

TEST_F(TextFile, WritesPassLongTextThroughTheBuffer) {
    std::string path = temp_dir() + "/long-out.txt";
    ASSIGN(f, path.c_str());
    REWRITE(f);
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        std::string piece(200, char('a' + i));
        WRITE_STR(i, f, piece.c_str());  // width below the length: no padding
        expected += piece;
    }
    WRITE_STR(5, f, "ab");
    WRITELN_END(f);
    expected += "   ab\r\n";
    CLOSE(f);
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, expected);
}

TEST_F(TextFile, EmptyNameReadsStandardInputFromAPipe) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int saved = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    std::thread writer([w = fds[1]] {
        // In pieces, so that refills meet a partly written pipe.
        for (const char* piece : {"1", "2 3", "4\n", "5"}) {
            ASSERT_GT(write(w, piece, strlen(piece)), 0);
            usleep(2000);
        }
        close(w);
    });
    ASSIGN(f, "");
    RESET(f);
    ASSERT_EQ(INOUTRES, 0);
    EXPECT_EQ(read_uint(), 12u);
    EXPECT_EQ(read_uint(), 34u);
    EXPECT_EQ(read_uint(), 5u);
    EXPECT_EQ(read_uint(), 0u);
    EXPECT_EQ(INOUTRES, 106);
    writer.join();
    dup2(saved, 0);
    close(saved);
    f.mode = FileMode::closed;
}

TEST(ErrorNumbers, WindowsMeaningsAndLinuxErrors) {
    EXPECT_EQ(ERRNO2INOUTRES(19), 150);
    EXPECT_EQ(ERRNO2INOUTRES(31), 162);
    EXPECT_EQ(ERRNO2INOUTRES(32), 5);
    EXPECT_EQ(ERRNO2INOUTRES(2), 2);
    EXPECT_EQ(ERRNO2INOUTRES(123), 123);
    EXPECT_EQ(host_error_code(EMFILE, "x", true), 4u);
    EXPECT_EQ(host_error_code(EACCES, "x", true), 5u);
    EXPECT_EQ(host_error_code(ENAMETOOLONG, "x", true), 123u);
    EXPECT_EQ(ERRNO2INOUTRES(host_error_code(EIO, "x", true)), 161);
    EXPECT_EQ(ERRNO2INOUTRES(host_error_code(ENOENT, "/nonexistent-dir/x", true)), 3);
    EXPECT_EQ(ERRNO2INOUTRES(host_error_code(ENOENT, "/x", true)), 2);
}
