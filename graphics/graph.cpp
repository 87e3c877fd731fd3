// Opening and closing the canvas, the not-in-graphics-mode routines and the
// shutdown hook.
#include "graphics/graph.h"

#include <cstdlib>

#include "graphics/canvas.h"
#include "graphics/line.h"
#include "graphics/window.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/in_words.h"
#include "runtime/textfile.h"
#include "runtime/wait.h"

namespace graphics {

int16_t GRAPHRESULT = 0;
bool ISGRAPHMODE = false;
ScreenMetrics screen_metrics;
ModeTable mode_table;

namespace {

bool table_built = false;
bool display_reached = false;
runtime::ShortString graph_path;
runtime::ExitProcedure saved_exit = nullptr;

// The stop names routines the user cannot call: the line after it says what to do.
void say_how_to_get_a_display() {
    const char* display = std::getenv("DISPLAY");
    runtime::ShortString text("the window needs an X display, and ");
    if (display == nullptr || *display == '\0') text.append("DISPLAY is not set");
    else text.append("there is none at DISPLAY="), text.append(display);
    text.append(": see \"A display and a terminal\" in the README");
    runtime::say_in_words(text.view());
}

[[noreturn]] void not_in_graphics_mode() {
    runtime::write_statement(runtime::STDERR,
                             "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)", true);
    runtime::INT_IOCHECK();
    if (!display_reached) say_how_to_get_a_display();
    runtime::HALT(1);
}

void DIRECTPUTPIXELDEFAULT(int, int) { not_in_graphics_mode(); }
void PUTPIXELDEFAULT(int, int, uint16_t) { not_in_graphics_mode(); }

void install_generic_routines() {
    DIRECTPUTPIXEL = DIRECTPUTPIXELDEFAULT;
    PUTPIXEL_ENTRY = PUTPIXELDEFAULT;
    HLINE = generic_hline;
    VLINE = generic_vline;
}

void reset_state() {
    install_generic_routines();
    STARTXVIEWPORT = STARTYVIEWPORT = 0;
    VIEWWIDTH = VIEWHEIGHT = 0;
    CLIPPIXELS = false;
    CURRENTCOLOR = 15;
}

// Runs first among the exit procedures: a run-time error closes the window before
// its report is written.
void GRAPHEXITPROC() {
    runtime::EXITPROC = saved_exit;
    if (ISGRAPHMODE && (runtime::ERRORCODE != 0 || runtime::ERRORADDR != 0)) CLOSEGRAPH();
}

}  // namespace

void initialize() {
    display_reached = window::start_metrics(screen_metrics);
    table_built = false;
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = GRAPHEXITPROC;
}

void build_mode_table() {
    if (table_built) return;
    window::finish_metrics(screen_metrics);
    mode_table = QUERYADAPTERINFO(screen_metrics);
    table_built = true;
}

void DETECTGRAPH(int16_t& driver, int16_t& mode) {
    build_mode_table();
    GRAPHRESULT = graphics::DETECTGRAPH(mode_table, driver, mode);
}

void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString& path) {
    reset_state();
    graph_path = path;
    if (path.length != 0 && path.chars[path.length - 1] != '\\') graph_path.push('\\');
    build_mode_table();
    const Mode* m = lookup_mode(mode_table, driver, mode);
    if (m == nullptr) {
        GRAPHRESULT = -10;
        return;
    }
    const int width = m->maxx + 1, height = m->maxy + 1;
    MAXCOLOR = m->colors;
    install_canvas_writers();
    if (!window::open_window(width, height, m->maximized)) {
        install_generic_routines();
        GRAPHRESULT = -11;
        return;
    }
    {
        std::lock_guard<std::mutex> hold(GRAPHDRAWING);
        make_palette(m->colors);  // entry 0 is the background: black
    }
    ISGRAPHMODE = true;
    set_canvas_state(width, height);
    runtime::set_before_wait(window::show_on_screen);
    GRAPHRESULT = 0;
}

void CLOSEGRAPH() {
    if (!ISGRAPHMODE) {
        GRAPHRESULT = -1;
        return;
    }
    let_go_of_drawing_lock();  // a fault inside a pixel write: the window thread needs it
    window::close_window();
    runtime::set_before_wait(nullptr);
    ISGRAPHMODE = false;
}

int16_t GETMAXX() { return MAXX; }
int16_t GETMAXY() { return MAXY; }
uint16_t GETMAXCOLOR() { return uint16_t(MAXCOLOR - 1); }

}  // namespace graphics
