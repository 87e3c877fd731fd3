// A test program for the canvas in a process of its own: argv[1] names the case.
#include <unistd.h>

#include <cstring>

#include "graphics/graph.h"
#include "graphics/canvas.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"
#include "runtime/wait.h"

using namespace runtime;

namespace {

void open_canvas() {
    initialize();
    graphics::initialize();
    int16_t driver, mode;
    graphics::DETECTGRAPH(driver, mode);
    graphics::INITGRAPH(driver, mode, "");
    write_statement(STDOUT, graphics::GRAPHRESULT() == 0 ? "open" : "result -11", true);
}

// The window is open while the error is raised: the report must come after it is gone.
void error_with_window() {
    open_canvas();
    graphics::LINE(0, 0, 100, 100);
    INT_BOUNDCHECK(-1, 0, 10);
}

void draw() {
    open_canvas();
    graphics::SETCOLOR(4);
    graphics::LINE(1, 1, 5, 3);
    write_statement(STDOUT, "drew", true);
}

// Frames until something ends the process (a fault planted on one of its threads).
void draw_forever() {
    open_canvas();
    for (int16_t i = 0;; i = int16_t((i + 1) % 500)) {
        graphics::SETCOLOR(4);
        graphics::LINE(i, 0, 0, i);
        before_wait();
        usleep(2000);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* which = argc > 1 ? argv[1] : "";
    if (std::strcmp(which, "error_with_window") == 0) EXE_ENTRY(error_with_window);
    if (std::strcmp(which, "draw") == 0) EXE_ENTRY(draw);
    if (std::strcmp(which, "draw_forever") == 0) EXE_ENTRY(draw_forever);
    return 100;
}
