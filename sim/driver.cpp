// The main program: prompt, load, run, close, closing lines, final wait.
#include "sim/driver.h"

#include "console/crt.h"
#include "console/keyboard.h"
#include "console/textread.h"
#include "graphics/graph.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"
#include "sim/bodies.h"
#include "sim/command_line.h"
#include "sim/frame.h"

namespace sim {

using runtime::INPUT;
using runtime::INT_IOCHECK;
using runtime::OUTPUT;

namespace {

runtime::ShortString S;  // the parameter file's name as typed

// The program's texts are held in code page 852; the console shows them as such.
constexpr const char* PROMPT = "A param\x82tereket tartalmaz\xA2 f\xA0jl neve? ";
constexpr const char* TITLE_LINE = "Gravit\xA0" "ci\xA2s modell";
constexpr const char* EXIT_LINE = "Kil\x82p\x82shez nyomja meg az Enter gombot";

// Opens the canvas in the best mode there is. The result is not looked at: drawing
// on a canvas that failed to open ends the program.
[[gnu::noinline]] void GRAFIKA() {
    int16_t GD, GM;
    graphics::DETECTGRAPH(GD, GM);
    graphics::INITGRAPH(GD, GM, "");
}

}  // namespace

[[gnu::noinline]] void main_program() {
    runtime::initialize();
    const char* typed = file_to_type();
    console::initialize();
    graphics::initialize();

    runtime::write_statement(OUTPUT, PROMPT, false);
    INT_IOCHECK();
    if (typed != nullptr) console::type_line(typed);
    console::READ_STRING(INPUT, S);
    console::READLN_END(INPUT);
    INT_IOCHECK();
    runtime::ASSIGN(BE, S);
    runtime::RESET(BE);
    INT_IOCHECK();
    ALLAPOT();
    GRAFIKA();
    FUTTAT(on_screen());
    graphics::CLOSEGRAPH();
    runtime::write_statement(OUTPUT, TITLE_LINE, true);
    INT_IOCHECK();
    runtime::write_statement(OUTPUT, EXIT_LINE, true);
    INT_IOCHECK();
    console::READLN_END(INPUT);
    INT_IOCHECK();
}

}  // namespace sim
