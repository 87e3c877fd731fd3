// What a frame should look like, worked out independently of the canvas code, and PNG files read back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct FrameRecord { int x1, y1, x2, y2; };

std::vector<FrameRecord> frame_records(const std::string& trace_output, int k);  // the F records of frame k

// The window's picture of these records on a black canvas: each line in red by the closed form (a pixel per
// step of the major axis, the minor coordinate rounded, halves towards the second end), then the body in white.
std::vector<uint32_t> expected_frame(const std::vector<FrameRecord>& bodies, int width, int height);

std::vector<uint32_t> read_png(const std::string& path);  // 0xRRGGBB, row by row; empty if unreadable

}  // namespace testsupport
