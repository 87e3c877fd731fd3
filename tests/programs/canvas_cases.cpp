// A test program for the canvas in a process of its own: argv[1] names the case.
#include <cstring>

#include "graphics/graph.h"
#include "graphics/line.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

void open_canvas() {
    initialize();
    graphics::initialize();
    int16_t driver, mode;
    graphics::DETECTGRAPH(driver, mode);
    graphics::INITGRAPH(driver, mode, "");
}

// The window is open while the error is raised: the report must come after it is gone.
void error_with_window() {
    open_canvas();
    graphics::LINE(0, 0, 100, 100);
    write_statement(STDOUT, graphics::ISGRAPHMODE ? "window was open" : "no window", true);
    INT_BOUNDCHECK(-1, 0, 10);
}

void draw() {
    open_canvas();
    ShortString s("result -");
    s.append(decimal(uint32_t(-graphics::GRAPHRESULT)).view());
    write_statement(STDOUT, s, true);
    graphics::SETCOLOR(4);
    graphics::LINE(1, 1, 5, 3);
    write_statement(STDOUT, "drew", true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "error_with_window") == 0) EXE_ENTRY(error_with_window);
    if (argc > 1 && std::strcmp(argv[1], "draw") == 0) EXE_ENTRY(draw);
    return 100;
}
