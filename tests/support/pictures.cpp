// Expected frames and PNG reading for the tests.
#include "tests/support/pictures.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testsupport {

std::vector<FrameRecord> frame_records(const std::string& trace_output, int k) {
    std::vector<FrameRecord> records;
    std::istringstream in(trace_output);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("F ", 0) != 0) continue;
        std::istringstream fields(line.substr(2));
        int frame, body;
        FrameRecord f;
        fields >> frame >> body >> f.x1 >> f.y1 >> f.x2 >> f.y2;
        if (frame == k) records.push_back(f);
    }
    return records;
}

std::vector<std::pair<int, int>> line_pixels(const FrameRecord& f) {
    int dx = std::abs(f.x2 - f.x1), dy = std::abs(f.y2 - f.y1);
    int sx = f.x2 >= f.x1 ? 1 : -1, sy = f.y2 >= f.y1 ? 1 : -1;
    std::vector<std::pair<int, int>> pixels;
    if (dx >= dy) {
        for (int j = 0; j <= dx; ++j) pixels.push_back({f.x1 + sx * j, f.y1 + sy * (dx ? (2 * j * dy + dx) / (2 * dx) : 0)});
    } else {
        for (int j = 0; j <= dy; ++j) pixels.push_back({f.x1 + sx * ((2 * j * dx + dy) / (2 * dy)), f.y1 + sy * j});
    }
    return pixels;
}

std::vector<uint32_t> expected_frame(const std::vector<FrameRecord>& bodies, int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    auto set = [&](int x, int y, uint32_t c) {
        if (x >= 0 && x < width && y >= 0 && y < height) pixels[size_t(y) * size_t(width) + size_t(x)] = c;
    };
    for (const FrameRecord& f : bodies) {
        for (auto [x, y] : line_pixels(f)) set(x, y, 0xA80000);
        set(f.x1, f.y1, 0xFCFCFC);
    }
    return pixels;
}

std::vector<uint32_t> read_png(const std::string& path, int& width, int& height) {
    std::vector<uint32_t> pixels;
    FILE* volatile file = std::fopen(path.c_str(), "rb");  // kept across the longjmp
    if (file == nullptr) return pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return {};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    width = int(png_get_image_width(png, info));
    height = int(png_get_image_height(png, info));
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8)
        longjmp(png_jmpbuf(png), 1);
    std::vector<png_byte> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < width; ++x)
            pixels.push_back(uint32_t(row[size_t(3 * x)]) << 16 | uint32_t(row[size_t(3 * x + 1)]) << 8 |
                             row[size_t(3 * x + 2)]);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return pixels;
}

}  // namespace testsupport
