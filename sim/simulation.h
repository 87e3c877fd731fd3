// The simulation's state: the body table and the run's parameters, in one object that
// the loader, the passes and the frame loop are handed.
#pragma once
#include <cstdint>

#include "runtime/checks.h"
#include "runtime/extended.h"
#include "runtime/textfile.h"

namespace sim {

using runtime::Word;

inline constexpr int MAXBODIES = 65535;

// Columns of a row.
enum Column { MASS = 1, X = 2, Y = 3, VX = 4, VY = 5 };

// A row by its columns' names: the pair formula's view of a body.
struct Row {
    runtime::Extended &m, &x, &y, &vx, &vy;
    explicit Row(runtime::Extended* r) : m(r[MASS - 1]), x(r[X - 1]), y(r[Y - 1]), vx(r[VX - 1]), vy(r[VY - 1]) {}
};

// 65535 rows of five extended reals, set aside whole for the run and never cleared:
// rows beyond N keep stale copies left by merges.
struct BodyTable {
    runtime::Extended cells[MAXBODIES][5];

    // F[I, K], both counted from 1.
    runtime::Extended& operator()(int i, int k) { return cells[i - 1][k - 1]; }
    const runtime::Extended& operator()(int i, int k) const { return cells[i - 1][k - 1]; }
    runtime::Extended* row(int i) { return cells[i - 1]; }
};

// About 5 MiB: the program keeps one for the whole run, a test makes its own.
struct Simulation {
    BodyTable F;
    Word N = 0;                        // live bodies: rows 1..N
    Word SZUNET = 0;                   // frame delay, milliseconds
    runtime::Extended UTKOZES = 0;     // merge distance, pixels
    runtime::Extended C = 0;           // display scale of the velocity lines
    runtime::TEXTREC BE{};             // the parameter file, open for the whole run
};

}  // namespace sim
