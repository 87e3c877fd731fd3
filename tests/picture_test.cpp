// Pictures of a run without a display: the program's own frame loop drawing into
// memory, as PNG files of frames and of the paths, written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <csignal>
#include <sys/stat.h>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/pictures.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string THREE = "3\n1000 400 300 0 0\n1 400 200 3.1 0.4\n2 620 330 -0.5 2.2\n10 2 8\n";

std::string fresh(const std::string& name) {
    fs::remove_all(temp_dir() + "/" + name);
    return temp_dir() + "/" + name;
}

}  // namespace

// Each frame as the window shows it during the delay: red lines, white dots, in row
// order, on a canvas the previous frame's erase left black.
TEST(Pictures, FramesAreWhatTheRecordsAndTheLineRulesGive) {
    std::string dir = fresh("frames");
    auto r = run_child({GRAVITY_TRACE, "--frames-png", dir, write_file("three.txt", THREE), "4"});
    ASSERT_EQ(r.exit_code, 0);
    for (int k = 1; k <= 4; ++k) {
        int w = 0, h = 0;
        auto picture = read_png(dir + "/frame-00000" + std::to_string(k) + ".png", w, h);
        EXPECT_EQ(w * 1000 + h, 800600);
        EXPECT_EQ(picture, expected_frame(frame_records(r.out, k), 800, 600)) << "frame " << k;
    }
    EXPECT_FALSE(fs::exists(dir + "/frame-000005.png"));
}

// Every body's pixel of every complete frame in dark grey, the last complete frame
// over them; an error leaves the pictures of the frames before it.
TEST(Pictures, PathsUnderTheLastFrameAlsoAfterAnError) {
    std::string png = temp_dir() + "/paths.png", dir = fresh("error-frames");
    auto r = run_child({GRAVITY_TRACE, "--size", "200x100", "--png", png, "--frames-png", dir,
                        write_file("fly.txt", "2\n1 10 20 3 1\n1 150 50 0 5000\n0 0 2\n"), "9"});
    EXPECT_EQ(r.exit_code, 201);  // frame 6: body 2's velocity tip passes 32767
    EXPECT_TRUE(fs::exists(dir + "/frame-000005.png") && !fs::exists(dir + "/frame-000006.png"));
    int w = 0, h = 0;
    auto expected = expected_frame(frame_records(r.out, 5), 200, 100);
    for (int k = 1; k <= 5; ++k)
        for (auto f : frame_records(r.out, k))
            if (f.x1 < 200 && f.y1 < 100 && expected[size_t(f.y1 * 200 + f.x1)] == 0) expected[size_t(f.y1 * 200 + f.x1)] = 0x545454;
    EXPECT_EQ(read_png(png, w, h), expected);
}

// Through a symbolic link to its target, into a FIFO directly; a picture that cannot
// be written is said, and nothing is left of it, not even after a SIGTERM.
TEST(Pictures, WhereThePicturesGo) {
    std::string params = write_file("three.txt", THREE), dir = fresh("targets");
    fs::create_directory(dir);
    fs::create_symlink("target.png", dir + "/link.png");
    ASSERT_EQ(mkfifo((dir + "/fifo.png").c_str(), 0600), 0);
    std::string fifo_bytes;
    std::thread reader([&] { fifo_bytes.assign(std::istreambuf_iterator<char>(std::ifstream(dir + "/fifo.png").rdbuf()), {}); });
    EXPECT_EQ(run_child({GRAVITY_TRACE, "--png", dir + "/link.png", "--frames-png", dir, params, "1"}).exit_code, 0);
    EXPECT_EQ(run_child({GRAVITY_TRACE, "--png", dir + "/fifo.png", params, "1"}).exit_code, 0);
    reader.join();
    EXPECT_TRUE(fs::is_symlink(dir + "/link.png") && fs::is_fifo(dir + "/fifo.png"));
    EXPECT_EQ(fifo_bytes.substr(1, 3), "PNG");
    int w = 0, h = 0;
    EXPECT_EQ(read_png(dir + "/target.png", w, h).size(), 800u * 600u);
    auto r = run_child({GRAVITY_TRACE, "--png", dir + "/missing/out.png", params, "1"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find("gravity-trace: cannot write " + dir + "/missing/out.png: "), std::string::npos);
    EXPECT_NE(run_child({GRAVITY_TRACE, "--png", dir + "/frame-000001.png/..", params, "1"}).exit_code, 0);
    std::string big = fresh("big");  // the frames' pictures take most of the run
    r = run_child({"/bin/sh", "-c", std::string(GRAVITY_TRACE) + " --size 4000x4000 --frames-png " + big + " " + params +
                   " 999 & for i in $(seq 600); do [ -e " + big + "/frame-000002.png ] && break; sleep 0.1; done; kill -TERM $!; wait $!"});
    EXPECT_EQ(r.exit_code, 128 + SIGTERM);
    for (const auto& entry : fs::directory_iterator(big)) EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 4);  // link, target, fifo, frame
}
