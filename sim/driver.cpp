// The main program: prompt, load, run, close, closing lines, final wait.
#include "sim/driver.h"

#include "console/crt.h"
#include "console/keyboard.h"
#include "console/textread.h"
#include "graphics/graph.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/filedriver.h"
#include "runtime/textfile.h"
#include "sim/command_line.h"
#include "sim/loader.h"
#include "sim/simulation.h"
#include "sim/frame.h"

namespace sim {

using runtime::INPUT;
using runtime::INT_IOCHECK;
using runtime::OUTPUT;

namespace {

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

// The program's own way of showing frames: the window's canvas, SZUNET milliseconds
// and the console's keyboard.
class OnScreen final : public FrameIo {
public:
    explicit OnScreen(const Simulation& simulation) : simulation_(simulation) {}
    void drawn(int, const ScreenCoords&) override {}
    void wait() override { console::DELAY(simulation_.SZUNET); }
    bool key_pressed() override { return console::KEYPRESSED(); }
    void read_key() override { [[maybe_unused]] uint8_t CH = console::READKEY(); }

private:
    const Simulation& simulation_;
};

}  // namespace

[[gnu::noinline]] void main_program() {
    static Simulation simulation;
    runtime::ShortString file_name;  // as typed
    runtime::initialize();
    const char* typed = file_to_type();
    console::initialize();
    graphics::initialize();

    runtime::write_statement(OUTPUT, PROMPT, false);
    INT_IOCHECK();
    if (typed != nullptr) console::type_line(typed);
    console::READ_STRING(INPUT, file_name);
    console::READLN_END(INPUT);
    INT_IOCHECK();
    runtime::ASSIGN(simulation.BE, file_name);
    runtime::RESET(simulation.BE);
    INT_IOCHECK();
    ALLAPOT(simulation);
    GRAFIKA();
    OnScreen screen(simulation);
    FUTTAT(simulation, screen);
    graphics::CLOSEGRAPH();
    runtime::write_statement(OUTPUT, TITLE_LINE, true);
    INT_IOCHECK();
    runtime::write_statement(OUTPUT, EXIT_LINE, true);
    INT_IOCHECK();
    console::READLN_END(INPUT);
    INT_IOCHECK();
}

}  // namespace sim
