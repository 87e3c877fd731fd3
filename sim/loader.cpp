// The loader: the parameter file into the body table and the run's parameters.
#include "sim/loader.h"

#include "console/textread.h"

namespace sim {

using console::READ_END;
using console::READ_FLOAT;
using console::READ_UINT;
using runtime::checked_word;
using runtime::INT_IOCHECK;

// One read statement each: the value is stored (range-checked for a word) before the
// pending error is tested, so a well-formed 70000 gives 201 and a malformed token 106.
[[gnu::noinline]] void ALLAPOT(Simulation& simulation) {
    runtime::TEXTREC& BE = simulation.BE;
    simulation.N = checked_word(READ_UINT(BE));
    READ_END(BE);
    INT_IOCHECK();
    for (int I = 1; I <= simulation.N; ++I) {
        for (int J = 1; J <= 5; ++J) {
            simulation.F(I, J) = READ_FLOAT(BE);
            READ_END(BE);
            INT_IOCHECK();
        }
    }
    simulation.SZUNET = checked_word(READ_UINT(BE));
    READ_END(BE);
    INT_IOCHECK();
    simulation.UTKOZES = READ_FLOAT(BE);
    READ_END(BE);
    INT_IOCHECK();
    simulation.C = READ_FLOAT(BE);
    READ_END(BE);
    INT_IOCHECK();
}

}  // namespace sim
