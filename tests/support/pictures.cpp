// Expected frames and PNG reading for the tests.
#include "tests/support/pictures.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace testsupport {

std::vector<FrameRecord> frame_records(const std::string& trace_output, int k) {
    std::vector<FrameRecord> records;
    std::istringstream in(trace_output);
    FrameRecord f;
    for (std::string line; std::getline(in, line);)
        if (int frame, body; std::sscanf(line.c_str(), "F %d %d %d %d %d %d", &frame, &body, &f.x1, &f.y1, &f.x2, &f.y2) == 6 && frame == k)
            records.push_back(f);
    return records;
}

std::vector<uint32_t> expected_frame(const std::vector<FrameRecord>& bodies, int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    auto set = [&](int x, int y, uint32_t c) {
        if (x >= 0 && x < width && y >= 0 && y < height) pixels[size_t(y * width + x)] = c;
    };
    for (const FrameRecord& f : bodies) {
        int dx = std::abs(f.x2 - f.x1), dy = std::abs(f.y2 - f.y1), sx = f.x2 >= f.x1 ? 1 : -1, sy = f.y2 >= f.y1 ? 1 : -1;
        for (int j = 0; j <= std::max(dx, dy); ++j) {
            if (dx >= dy) set(f.x1 + sx * j, f.y1 + sy * (dx ? (2 * j * dy + dx) / (2 * dx) : 0), 0xA80000);
            else set(f.x1 + sx * ((2 * j * dx + dy) / (2 * dy)), f.y1 + sy * j, 0xA80000);
        }
        set(f.x1, f.y1, 0xFCFCFC);
    }
    return pixels;
}

std::vector<uint32_t> read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) pixels.push_back(uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2]);
    return pixels;
}

}  // namespace testsupport
