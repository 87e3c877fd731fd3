// The body table and the run parameters: the whole state of the simulation.
#pragma once
#include <cstdint>

#include "runtime/checks.h"
#include "runtime/textfile.h"
#include "runtime/extended.h"

namespace sim {

using runtime::Word;

inline constexpr int MAXBODIES = 65535;

// Columns of a row.
enum Column { MASS = 1, X = 2, Y = 3, VX = 4, VY = 5 };

// 65535 rows of five extended reals, set aside whole for the run and never cleared:
// rows beyond N keep stale copies left by merges.
struct BodyTable {
    runtime::Extended cells[MAXBODIES][5];

    // F[I, K], both counted from 1.
    runtime::Extended& operator()(int i, int k) { return cells[i - 1][k - 1]; }
    runtime::Extended* row(int i) { return cells[i - 1]; }
};

extern BodyTable& F;
extern Word N;              // live bodies: rows 1..N
extern Word SZUNET;         // frame delay, milliseconds
extern runtime::Extended UTKOZES;  // merge distance, pixels
extern runtime::Extended C;        // display scale of the velocity lines
extern runtime::TEXTREC BE;  // the parameter file, open for the whole run

// Loads N, the bodies, SZUNET, UTKOZES and C from BE, checking after every read.
void ALLAPOT();

}  // namespace sim
