// The gravity pass in tiles. Each body's velocity must take its terms in the loop's
// order: first from every earlier row (as the second body of a pair), then from its
// own row. Cut the pair triangle into square tiles; a tile may run once the tile
// above it is done (the column bodies' earlier terms) and the tile to its left is
// done (the row bodies' earlier terms). Tile rows go to the threads in turn, each
// thread sweeping its row left to right a step behind the row above, so the only
// traffic between threads is one tile's velocities per tile, never one per pair.
#include "sim/tiles.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sched.h>
#include <vector>

#include "runtime/fpu.h"
#include "runtime/workers.h"
#include "sim/bodies.h"

namespace sim {

namespace {

struct Body {
    long double m, x, y;  // read only during the pass
};
struct alignas(32) Velocity {
    long double vx, vy;
};
struct alignas(64) Progress {
    std::atomic<int> tiles_done{0};  // of its tile row, counted from the diagonal's column
};

struct Pass {
    int n = 0, side = 0, tiles = 0;
    std::vector<Body> bodies;
    std::vector<Velocity> storage;  // one spare, so that the velocities can start a cache line
    Velocity* velocities = nullptr;
    std::unique_ptr<Progress[]> rows;
    std::atomic<int> next_row{0};
};

Pass pass;

// Rows i0..i1-1 against columns j0..j1-1 (pairs with j > i only), with the loop's
// own arithmetic, operation for operation. The row body's velocity is updated in
// memory, as in the loop: kept on the x87 register stack it costs more exchanges and
// spills than the store and the reload (measured about 10% slower).
[[gnu::noinline]] void pair_tile(const Body* b, Velocity* v, int i0, int i1, int j0, int j1) {
    if (i1 > j1 - 1) i1 = j1 - 1;  // rows with no pair here: their velocities are not touched
    for (int i = i0; i < i1; ++i) {
        const Body* a = &b[i];
        Velocity* va = &v[i];
        for (int j = j0 > i ? j0 : i + 1; j < j1; ++j) {
            long double dx = b[j].x - a->x;
            long double dy = b[j].y - a->y;
            long double D2 = dx * dx + dy * dy;
            long double r = std::sqrt(D2);
            long double DIX = (((dx * a->m) * b[j].m) / D2) / r;
            long double DIY = (((dy * a->m) * b[j].m) / D2) / r;
            va->vx = DIX / a->m + va->vx;
            va->vy = DIY / a->m + va->vy;
            v[j].vx = v[j].vx - DIX / b[j].m;
            v[j].vy = v[j].vy - DIY / b[j].m;
        }
    }
}

// The row above is another thread's; it is usually far enough ahead. When it is not,
// give way soon: the two threads may be sharing fewer processors than they think.
void wait_for(const std::atomic<int>& done, int count) {
    for (int spins = 0; done.load(std::memory_order_acquire) < count; ++spins) {
        if (spins < 1000)
            __builtin_ia32_pause();
        else
            sched_yield();
    }
}

void tile_row(int row) {
    const int i0 = row * pass.side, i1 = std::min(pass.n, i0 + pass.side);
    for (int col = row; col < pass.tiles; ++col) {
        if (row > 0) wait_for(pass.rows[row - 1].tiles_done, col - row + 2);
        const int j0 = col * pass.side, j1 = std::min(pass.n, j0 + pass.side);
        pair_tile(pass.bodies.data(), pass.velocities, i0, i1, j0, j1);
        pass.rows[row].tiles_done.store(col - row + 1, std::memory_order_release);
    }
}

void work(int, void*) {
    for (int row; (row = pass.next_row.fetch_add(1, std::memory_order_relaxed)) < pass.tiles;) tile_row(row);
}

// Small enough that the second thread starts soon (it waits for two tiles of the
// first row) and that the last rows come out even; big enough that a tile's handful
// of velocities crossing between processors is nothing beside its pairs. Even, so
// that two threads never write the two halves of one cache line of velocities.
int tile_side(int n) {
    int side = n / 32 & ~1;
    return side < 16 ? 16 : side > 64 ? 64 : side;
}

void prepare(int n) {
    pass.n = n;
    pass.side = tile_side(n);
    pass.tiles = (n + pass.side - 1) / pass.side;
    pass.bodies.resize(size_t(n));
    pass.storage.resize(size_t(n) + 1);
    pass.velocities = pass.storage.data() + (reinterpret_cast<uintptr_t>(pass.storage.data()) % 64 != 0);
    for (int I = 1; I <= n; ++I) {
        pass.bodies[size_t(I - 1)] = {F(I, MASS), F(I, X), F(I, Y)};
        pass.velocities[I - 1] = {F(I, VX), F(I, VY)};
    }
    pass.rows = std::make_unique<Progress[]>(size_t(pass.tiles));
    pass.next_row.store(0, std::memory_order_relaxed);
}

}  // namespace

bool gravity_in_tiles() {
    const int n = N;
    // A full table stops at its last row's start check: the loop's business.
    if (n < MIN_TILED_BODIES || n >= MAXBODIES || runtime::worker_slots() < 2) return false;
    prepare(n);
    if ((runtime::run_on_workers(work, nullptr) & runtime::TRAPPING_FLAGS) != 0) return false;
    for (int I = 1; I <= n; ++I) {
        F(I, VX) = pass.velocities[I - 1].vx;
        F(I, VY) = pass.velocities[I - 1].vy;
    }
    return true;
}

}  // namespace sim
