// The page's program: a parameter file's bytes through the program's own loader, and the
// program's own frame loop drawing into the canvas's RGBA pixels, each frame shown for
// SZUNET milliseconds. Stop, a key on the page or the frame asked for ends the loop as a
// key in the terminal does; the run ends through the exit sequence, with its report.
#include <emscripten.h>
#include <optional>
#include <vector>

#include "graphics/canvas.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/in_words.h"
#include "runtime/memorydriver.h"
#include "runtime/startup.h"
#include "sim/frame.h"
#include "sim/loader.h"

namespace {

using sim::ScreenCoords;
using sim::Simulation;

// Frames that follow each other with no delay are shown at about the screen's rate.
constexpr double SHOW_EVERY_MS = 16;
constexpr uint32_t OPAQUE = 0xFF000000;
constexpr graphics::PixelFormat RGBA{0, 8, 16};  // bytes R, G, B, alpha

// What a run is asked for; the page keeps one run at a time.
struct Request {
    std::vector<char> parameters;  // the file's bytes, as they are
    runtime::ShortString file_name;  // what messages call it
    int width = 1, height = 1;
    double stop_after = 0;  // 0: until stopped
    bool stop = false;      // Stop or a key
};

Request request;
Simulation simulation;
std::vector<uint32_t> pixels, shown;  // drawn into; the last frame as it was shown
std::optional<graphics::MemoryCanvas> canvas;
double shown_frame = 0;

// Puts the last frame shown on the canvas, with its number.
EM_JS(void, show, (const uint32_t* rgba, int width, int height, double frame),
      { gravityShow(HEAPU8.subarray(rgba, rgba + 4 * width * height), width, height, frame); });
// Out of the program to the page, which is told how the run ended.
EM_JS(void, end_run, (int exit_code, double frame), { throw new GravityRunEnd(exit_code, frame); });

class PageFrames final : public sim::FrameIo {
public:
    explicit PageFrames(const Simulation& simulation) : simulation_(simulation) {}
    void drawn(int, const ScreenCoords&) override {}
    // The picture as it stands during the delay: the erase that follows never shows.
    void wait() override {
        for (size_t i = 0; i < pixels.size(); ++i) shown[i] = pixels[i] | OPAQUE;
        shown_frame = frame_;
        const double now = emscripten_get_now();
        if (simulation_.SZUNET == 0 && now - last_shown_ < SHOW_EVERY_MS && frame_ != request.stop_after) return;
        last_shown_ = now;
        show(shown.data(), request.width, request.height, frame_);
        emscripten_sleep(simulation_.SZUNET);
    }
    bool key_pressed() override {
        if (request.stop || frame_ == request.stop_after) return true;
        ++frame_;
        return false;
    }
    void read_key() override {}

private:
    const Simulation& simulation_;
    double frame_ = 1, last_shown_ = 0;
};

[[noreturn]] void run_ended(uint16_t exit_code) {
    if (!shown.empty()) show(shown.data(), request.width, request.height, shown_frame);
    end_run(exit_code, shown_frame);
    __builtin_unreachable();
}

// After the whole file is read, as the program opens its window; memory that cannot be
// had for it is error 203.
[[gnu::noinline]] void open_canvas() {
    pixels.assign(size_t(request.width) * size_t(request.height), 0);
    shown.assign(pixels.size(), OPAQUE);
    canvas.emplace(pixels.data(), request.width, request.height, RGBA);
}

[[gnu::noinline]] void page_main() {
    runtime::initialize();
    runtime::name_in_messages("gravity");
    runtime::assign_memory(simulation.BE, request.file_name, request.parameters.data(),
                           uint32_t(request.parameters.size()));
    runtime::RESET(simulation.BE);
    runtime::INT_IOCHECK();
    sim::ALLAPOT(simulation);
    open_canvas();
    PageFrames frames(simulation);
    sim::FUTTAT(simulation, frames);
}

}  // namespace

// Room for a parameter file of size bytes, which the page then writes there.
extern "C" EMSCRIPTEN_KEEPALIVE char* page_parameters(uint32_t size) {
    request.parameters.resize(size);
    return request.parameters.data();
}

// Room for the file's name, length bytes (UTF-8), which the page writes there.
extern "C" EMSCRIPTEN_KEEPALIVE char* page_file_name(uint8_t length) {
    request.file_name.length = length;
    return request.file_name.chars;
}

extern "C" EMSCRIPTEN_KEEPALIVE void page_stop() { request.stop = true; }

// A run on a black canvas of width x height; it ends by throwing to the page.
extern "C" EMSCRIPTEN_KEEPALIVE void page_run(int width, int height, double stop_after) {
    request.width = width, request.height = height, request.stop_after = stop_after, request.stop = false;
    shown_frame = 0;
    canvas.reset();  // the last run's canvas and pixels go before anything else is asked for
    pixels = {};
    shown = {};
    runtime::set_process_end(run_ended, true);
    EXE_ENTRY(page_main);
}
