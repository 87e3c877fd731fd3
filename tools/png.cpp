// PNG writing with libpng: fast compression, since most of a canvas is black.
#include "tools/png.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace tools {

namespace {

std::string write_rows(FILE* file, const uint32_t* pixels, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::strerror(errno != 0 ? errno : EIO);
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);  // long black runs
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* p = pixels + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            row[size_t(3 * x)] = png_byte(p[x] >> 16);
            row[size_t(3 * x + 1)] = png_byte(p[x] >> 8);
            row[size_t(3 * x + 2)] = png_byte(p[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return "";
}

}  // namespace

std::string write_png(const std::string& path, const uint32_t* pixels, int width, int height) {
    std::string temporary = path + ".partial-" + std::to_string(getpid());
    errno = 0;
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return std::strerror(errno);
    std::string problem = write_rows(file, pixels, width, height);
    if (std::fflush(file) != 0 && problem.empty()) problem = std::strerror(errno);
    if (std::fclose(file) != 0 && problem.empty()) problem = std::strerror(errno);
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) problem = std::strerror(errno);
    if (!problem.empty()) std::remove(temporary.c_str());
    return problem;
}

}  // namespace tools
