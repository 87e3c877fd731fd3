// Opening and closing the canvas window, and the shutdown hook.
#include "graphics/graph.h"

#include <cstdlib>

#include "graphics/canvas.h"
#include "graphics/window.h"
#include "runtime/errors.h"
#include "runtime/wait.h"

namespace graphics {

namespace {

int16_t result_code = 0;  // GRAPHRESULT
bool in_graphics_mode = false;
ScreenMetrics metrics;
ModeTable mode_table;
bool table_built = false;
bool display_reached = false;
runtime::ExitProcedure saved_exit = nullptr;

// The stop names routines the user cannot call: the line after it says what to do.
runtime::ShortString how_to_get_a_display() {
    const char* display = std::getenv("DISPLAY");
    runtime::ShortString text("the window needs an X display, and ");
    if (display == nullptr || *display == '\0') text.append("DISPLAY is not set");
    else text.append("there is none at DISPLAY="), text.append(display);
    text.append(": see \"A display and a terminal\" in the README");
    return text;
}

// Runs first among the exit procedures: a run-time error closes the window before
// its report is written.
void GRAPHEXITPROC() {
    runtime::EXITPROC = saved_exit;
    if (in_graphics_mode && (runtime::ERRORCODE != 0 || runtime::ERRORADDR != 0)) CLOSEGRAPH();
}

}  // namespace

void initialize() {
    display_reached = window::start_metrics(metrics);
    table_built = false;
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = GRAPHEXITPROC;
}

void build_mode_table() {
    if (table_built) return;
    window::finish_metrics(metrics);
    mode_table = QUERYADAPTERINFO(metrics);
    table_built = true;
}

void DETECTGRAPH(int16_t& driver, int16_t& mode) {
    build_mode_table();
    result_code = best_mode(mode_table, driver, mode);
}

// The path names where drivers would be found: none are needed, so it is not kept.
void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString&) {
    reset_canvas_state(display_reached ? runtime::ShortString() : how_to_get_a_display());
    build_mode_table();
    const Mode* m = lookup_mode(mode_table, driver, mode);
    if (m == nullptr) {
        result_code = -10;
        return;
    }
    const int width = m->maxx + 1, height = m->maxy + 1;
    if (!window::open_window(width, height, m->maximized)) {
        result_code = -11;
        return;
    }
    set_canvas_state(width, height, m->colors);
    in_graphics_mode = true;
    runtime::set_before_wait(window::show_on_screen);
    result_code = 0;
}

void CLOSEGRAPH() {
    if (!in_graphics_mode) {
        result_code = -1;
        return;
    }
    let_go_of_drawing_lock();  // a fault inside a pixel write: the window thread needs it
    window::close_window();
    runtime::set_before_wait(nullptr);
    in_graphics_mode = false;
}

int16_t GRAPHRESULT() { return result_code; }
bool ISGRAPHMODE() { return in_graphics_mode; }
const ScreenMetrics& screen_metrics() { return metrics; }

}  // namespace graphics
