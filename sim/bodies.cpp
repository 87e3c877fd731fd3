// The body table and its loader.
#include "sim/bodies.h"

#include "console/textread.h"

namespace sim {

using console::READ_END;
using console::READ_FLOAT;
using console::READ_UINT;
using runtime::checked_word;
using runtime::INT_IOCHECK;

namespace {
BodyTable table;
}  // namespace

BodyTable& F = table;
Word N = 0;
Word SZUNET = 0;
runtime::Extended UTKOZES = 0;
runtime::Extended C = 0;
runtime::TEXTREC BE;

// One read statement each: the value is stored (range-checked for a word) before the
// pending error is tested, so a well-formed 70000 gives 201 and a malformed token 106.
[[gnu::noinline]] void ALLAPOT() {
    N = checked_word(READ_UINT(BE));
    READ_END(BE);
    INT_IOCHECK();
    for (int I = 1; I <= N; ++I) {
        for (int J = 1; J <= 5; ++J) {
            F(I, J) = READ_FLOAT(BE);
            READ_END(BE);
            INT_IOCHECK();
        }
    }
    SZUNET = checked_word(READ_UINT(BE));
    READ_END(BE);
    INT_IOCHECK();
    UTKOZES = READ_FLOAT(BE);
    READ_END(BE);
    INT_IOCHECK();
    C = READ_FLOAT(BE);
    READ_END(BE);
    INT_IOCHECK();
}

}  // namespace sim
