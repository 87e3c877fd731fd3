// The main program: prompt, load, run, close, closing lines, final wait.
#include "sim/driver.h"

#include "console/textread.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"
#include "sim/bodies.h"

namespace sim {

using runtime::INT_IOCHECK;
using runtime::OUTPUT;
using runtime::INPUT;

namespace {
runtime::ShortString S;  // the parameter file's name as typed
}  // namespace

[[gnu::noinline]] void main_program() {
    runtime::initialize();
    runtime::write_statement(OUTPUT, "A param\x82tereket tartalmaz\xA2 f\xA0jl neve? ", false);
    INT_IOCHECK();
    console::READ_STRING(INPUT, S);
    console::READLN_END(INPUT);
    INT_IOCHECK();
    runtime::ASSIGN(BE, S);
    runtime::RESET(BE);
    INT_IOCHECK();
    ALLAPOT();
    runtime::write_statement(OUTPUT, "Gravit\xA0" "ci\xA2s modell", true);
    INT_IOCHECK();
    runtime::write_statement(OUTPUT, "Kil\x82p\x82shez nyomja meg az Enter gombot", true);
    INT_IOCHECK();
    console::READLN_END(INPUT);
    INT_IOCHECK();
}

}  // namespace sim
