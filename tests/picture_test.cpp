// Pictures of a run without a display: PNG files of frames and of the paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "graphics/canvas.h"
#include "tests/support/child.h"
#include "tests/support/pictures.h"
#include "tools/picture.h"
#include "tools/png.h"

using namespace testsupport;

namespace {

ChildResult trace(const std::vector<std::string>& args) {
    std::vector<std::string> argv{GRAVITY_TRACE};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_child(argv);
}

std::string fresh_dir(const std::string& name) {
    std::string dir = temp_dir() + "/" + name;
    std::filesystem::remove_all(dir);
    return dir;
}

const std::string THREE = "3\n1000 400 300 0 0\n1 400 200 3.1 0.4\n2 620 330 -0.5 2.2\n10 2 8\n";

}  // namespace

TEST(Pictures, AWrittenFrameReadsBackAsTheCanvas) {
    tools::Pictures pictures(64, 48);
    pictures.begin_frame();
    pictures.draw_body({10, 10, 50, 30});
    pictures.draw_body({-20, 40, 90, 5});  // clipped
    pictures.end_frame();
    std::string path = temp_dir() + "/frame.png";
    ASSERT_EQ(tools::write_png(path, pictures.canvas().data(), 64, 48), "");
    int w = 0, h = 0;
    auto back = read_png(path, w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(back, pictures.canvas());
    std::set<uint32_t> colours(back.begin(), back.end());
    EXPECT_EQ(colours, (std::set<uint32_t>{0, 0xA80000, 0xFCFCFC}));
    pictures.erase_frame();
    EXPECT_EQ(std::set<uint32_t>(pictures.canvas().begin(), pictures.canvas().end()), std::set<uint32_t>{0});
}

TEST(Pictures, FrameOneIsWhatTheRecordsAndTheLineRulesGive) {
    std::string params = write_file("three.txt", THREE);
    std::string dir = fresh_dir("frames");
    auto r = trace({"--frames-png", dir, params, "3"});
    ASSERT_EQ(r.exit_code, 0);
    for (int k = 1; k <= 3; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", k);
        int w = 0, h = 0;
        auto picture = read_png(dir + name, w, h);
        ASSERT_EQ(w, 800);
        ASSERT_EQ(h, 600);
        EXPECT_EQ(picture, expected_frame(frame_records(r.out, k), 800, 600)) << "frame " << k;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-000004.png"));
}

TEST(Pictures, PathsAccumulateUnderTheLastFrame) {
    std::string params = write_file("one.txt", "1\n1 10 20 3 1\n0 0 2\n");
    std::string png = temp_dir() + "/paths.png";
    auto r = trace({"--size", "200x100", "--png", png, params, "40"});
    ASSERT_EQ(r.exit_code, 0);
    int w = 0, h = 0;
    auto picture = read_png(png, w, h);
    ASSERT_EQ(w, 200);
    ASSERT_EQ(h, 100);
    int trail = 0;
    for (int k = 1; k <= 39; ++k) {  // the body's pixel in every earlier frame
        auto f = frame_records(r.out, k).at(0);
        EXPECT_EQ(picture[size_t(f.y1 * 200 + f.x1)], 0x545454u) << "frame " << k;
        ++trail;
    }
    auto last = expected_frame(frame_records(r.out, 40), 200, 100);
    for (size_t i = 0; i < last.size(); ++i) {
        if (last[i] != 0) {
            EXPECT_EQ(picture[i], last[i]);
        }
    }
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0x545454u), trail);
}

TEST(Pictures, AnErrorLeavesTheFramesDrawnBeforeIt) {
    std::string params = write_file("fly.txt", "1\n1 100 32765 0 1\n0 0 0\n");
    std::string dir = fresh_dir("error-frames");
    std::string png = temp_dir() + "/error.png";
    auto r = trace({"--frames-png", dir, "--png", png, params, "10"});
    EXPECT_EQ(r.exit_code, 201);
    EXPECT_TRUE(std::filesystem::exists(dir + "/frame-000003.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-000004.png"));
    EXPECT_TRUE(std::filesystem::exists(png));
    EXPECT_NE(r.out.find("Runtime error 201 at 0x"), std::string::npos);
}

TEST(Pictures, AFileThatCannotBeWrittenIsSaidAndLeavesNothing) {
    std::string params = write_file("three.txt", THREE);
    std::string dir = fresh_dir("unwritable");
    std::filesystem::create_directory(dir);
    auto r = trace({"--png", dir + "/missing/out.png", params, "2"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find("gravity-trace: cannot write " + dir + "/missing/out.png: "), std::string::npos);
    r = trace({"--png", dir, params, "2"});  // a directory in the way
    EXPECT_NE(r.exit_code, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{}), 0);
    r = trace({"--size", "10x0", "--png", dir + "/x.png", params, "2"});
    EXPECT_EQ(r.exit_code, 2);
}
