// Opening and closing the canvas, the not-in-graphics-mode routines and the
// shutdown hook.
#include "graphics/graph.h"

#include "graphics/canvas.h"
#include "graphics/line.h"
#include "graphics/x11.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/textfile.h"
#include "runtime/wait.h"

namespace graphics {

int16_t GRAPHRESULT = 0;
bool ISGRAPHMODE = false;
ScreenMetrics screen_metrics;
ModeTable mode_table;

namespace {

int16_t MAXX = 0, MAXY = 0;
runtime::ShortString graph_path;
runtime::ExitProcedure saved_exit = nullptr;

[[noreturn]] void not_in_graphics_mode() {
    runtime::write_statement(runtime::STDERR,
                             "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)", true);
    runtime::INT_IOCHECK();
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

void install_canvas_writers() {
    DIRECTPUTPIXEL = canvas_directputpixel;
    PUTPIXEL_ENTRY = canvas_putpixel;
    HLINE = canvas_hline;
    VLINE = canvas_vline;
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
    x11::read_screen_metrics(screen_metrics);
    mode_table = QUERYADAPTERINFO(screen_metrics);
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = GRAPHEXITPROC;
}

void DETECTGRAPH(int16_t& driver, int16_t& mode) { GRAPHRESULT = graphics::DETECTGRAPH(mode_table, driver, mode); }

void set_canvas_state(int width, int height) {
    MAXX = int16_t(width - 1);
    MAXY = int16_t(height - 1);
    install_canvas_writers();
    STARTXVIEWPORT = STARTYVIEWPORT = 0;
    VIEWWIDTH = MAXX;
    VIEWHEIGHT = MAXY;
    CLIPPIXELS = true;
    CURRENTCOLOR = 15;
}

void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString& path) {
    reset_state();
    graph_path = path;
    if (path.length != 0 && path.chars[path.length - 1] != '\\') graph_path.push('\\');
    const Mode* m = lookup_mode(mode_table, driver, mode);
    if (m == nullptr) {
        GRAPHRESULT = -10;
        return;
    }
    const int width = m->maxx + 1, height = m->maxy + 1;
    MAXCOLOR = m->colors;
    install_canvas_writers();
    if (!x11::open_window(width, height, m->maximized)) {
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
    runtime::set_before_wait(x11::show_on_screen);
    GRAPHRESULT = 0;
}

void CLOSEGRAPH() {
    if (!ISGRAPHMODE) {
        GRAPHRESULT = -1;
        return;
    }
    x11::close_window();
    runtime::set_before_wait(nullptr);
    ISGRAPHMODE = false;
}

int16_t GETMAXX() { return MAXX; }
int16_t GETMAXY() { return MAXY; }
uint16_t GETMAXCOLOR() { return uint16_t(MAXCOLOR - 1); }

}  // namespace graphics
