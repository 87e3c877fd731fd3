// PNG writing with libpng: fast compression, since most of a canvas is black; files
// replaced whole, through symbolic links.
#include "tools/png.h"

#include <atomic>
#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "runtime/signals.h"

namespace tools {

namespace {

constexpr int MAX_LINKS = 40;  // as the kernel follows

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

// Where a write to path lands: through symbolic links to their final target.
std::string final_target(std::string path) {
    for (int hops = 0; hops < MAX_LINKS; ++hops) {
        char link[PATH_MAX];
        ssize_t n = readlink(path.c_str(), link, sizeof link);
        if (n < 0 || size_t(n) == sizeof link) break;
        size_t slash = path.rfind('/');
        std::string base = link[0] == '/' || slash == std::string::npos ? "" : path.substr(0, slash + 1);
        path = base + std::string(link, size_t(n));
    }
    return path;
}

std::string write_file(const std::string& path, const uint32_t* pixels, int width, int height) {
    errno = 0;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::strerror(errno);
    std::string problem = write_rows(file, pixels, width, height);
    if (std::fflush(file) != 0 && problem.empty()) problem = std::strerror(errno);
    if (std::fclose(file) != 0 && problem.empty()) problem = std::strerror(errno);
    return problem;
}

// The temporary file of a picture being written, removed by any signal that ends the
// process meanwhile. The cleanup uses only unlink, on a name prepared before it was
// added.
std::atomic<const char*> partial_name{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "read inside a signal handler");

void remove_partial() {
    if (const char* name = partial_name.load()) unlink(name);
}

class PartialFile {
public:
    explicit PartialFile(std::string name) : name_(std::move(name)) {
        partial_name = name_.c_str();
        runtime::add_signal_cleanup(remove_partial);
    }
    // The name is let go of first: a handler already running elsewhere finds none.
    ~PartialFile() {
        partial_name = nullptr;
        runtime::remove_signal_cleanup(remove_partial);
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

}  // namespace

const char* pictures_unavailable() { return nullptr; }

std::string write_png(const std::string& path, const uint32_t* pixels, int width, int height) {
    const std::string target = final_target(path);
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return write_file(target, pixels, width, height);
    PartialFile partial(target + ".partial-" + std::to_string(getpid()));
    std::string problem = write_file(partial.name(), pixels, width, height);
    if (problem.empty() && std::rename(partial.name().c_str(), target.c_str()) != 0) problem = std::strerror(errno);
    if (!problem.empty()) std::remove(partial.name().c_str());
    return problem;
}

}  // namespace tools
