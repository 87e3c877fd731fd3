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
#include <cstdlib>
#include <new>
#include <sched.h>

#include "runtime/fpu.h"
#include "runtime/plant.h"
#include "runtime/workers.h"
#include "sim/pair.h"

namespace sim {

namespace {

struct Body {
    runtime::Extended m, x, y;  // read only during the pass
};
struct alignas(32) Velocity {
    runtime::Extended vx, vy;
};
struct alignas(64) Progress {
    std::atomic<int> tiles_done{0};  // of its tile row, counted from the diagonal's column
};

// The pass's own copy of the table, in one block taken with malloc: the tiles are only
// a speed-up, so memory that cannot be had leaves the pass to the loop instead of
// ending the program. The block grows to the largest system seen and is kept.
struct Pass {
    int n = 0, side = 0, tiles = 0;
    Body* bodies = nullptr;
    Velocity* velocities = nullptr;
    Progress* rows = nullptr;
    void* block = nullptr;
    size_t block_size = 0;
    std::atomic<int> next_row{0};
};

Pass pass;

// Each part of the block starts a cache line: the velocities, so that two threads'
// tiles (an even number of bodies each) never write one line; each row's progress has
// a line of its own.
constexpr size_t LINE = 64;

size_t line_up(size_t bytes) { return (bytes + LINE - 1) / LINE * LINE; }

bool take_block(int n, int tiles) {
    const size_t bodies = line_up(sizeof(Body) * size_t(n)), velocities = line_up(sizeof(Velocity) * size_t(n));
    const size_t size = bodies + velocities + sizeof(Progress) * size_t(tiles);
    if (size > pass.block_size) {
        std::free(pass.block);
        pass.block_size = 0;
        pass.block = std::aligned_alloc(LINE, line_up(size));
        if (pass.block == nullptr) return false;
        pass.block_size = line_up(size);
    }
    char* at = static_cast<char*>(pass.block);
    pass.bodies = reinterpret_cast<Body*>(at);
    pass.velocities = reinterpret_cast<Velocity*>(at + bodies);
    pass.rows = reinterpret_cast<Progress*>(at + bodies + velocities);
    for (int row = 0; row < tiles; ++row) new (&pass.rows[row]) Progress;
    return true;
}

// Rows i0..i1-1 against columns j0..j1-1 (pairs with j > i only), with the loop's
// own arithmetic, operation for operation. The row body's velocity is updated in
// memory, as in the loop: kept on the x87 register stack it costs more exchanges and
// spills than the store and the reload (measured about 10% slower).
[[gnu::noinline]] void pair_tile(const Body* b, Velocity* v, int i0, int i1, int j0, int j1) {
    if (i1 > j1 - 1) i1 = j1 - 1;  // rows with no pair here: their velocities are not touched
    for (int i = i0; i < i1; ++i) {
        const Body* a = &b[i];
        Velocity* va = &v[i];
        for (int j = j0 > i ? j0 : i + 1; j < j1; ++j)
            exchange_impulse(*a, *va, b[j], v[j]);
    }
}

// The row above is another thread's; it is usually far enough ahead. When it is not,
// give way soon: the two threads may be sharing fewer processors than they think.
// False when the process is ending: the row above may never be finished (its thread
// faulted), and the exit sequence is waiting for this thread to leave.
bool wait_for(const std::atomic<int>& done, int count) {
    for (int spins = 0; done.load(std::memory_order_acquire) < count; ++spins) {
        if (spins < 1000) {
            runtime::relax_while_waiting();
        } else {
            if (runtime::workers_stopping()) return false;
            sched_yield();
        }
    }
    return true;
}

void tile_row(int row, int slot) {
    const int i0 = row * pass.side, i1 = std::min(pass.n, i0 + pass.side);
    for (int col = row; col < pass.tiles; ++col) {
        if (row > 0 && !wait_for(pass.rows[row - 1].tiles_done, col - row + 2)) return;
        runtime::planted_fault(slot == 0 ? "tile-main" : "tile-helper");
        const int j0 = col * pass.side, j1 = std::min(pass.n, j0 + pass.side);
        pair_tile(pass.bodies, pass.velocities, i0, i1, j0, j1);
        pass.rows[row].tiles_done.store(col - row + 1, std::memory_order_release);
    }
}

void work(int slot, void*) {
    for (int row; !runtime::workers_stopping() && (row = pass.next_row.fetch_add(1, std::memory_order_relaxed)) < pass.tiles;)
        tile_row(row, slot);
}

// Small enough that the second thread starts soon (it waits for two tiles of the
// first row) and that the last rows come out even; big enough that a tile's handful
// of velocities crossing between processors is nothing beside its pairs. Even, so
// that two threads never write the two halves of one cache line of velocities.
int tile_side(int n) {
    int side = n / 32 & ~1;
    return side < 16 ? 16 : side > 64 ? 64 : side;
}

bool prepare(const BodyTable& F, int n) {
    pass.n = n;
    pass.side = tile_side(n);
    pass.tiles = (n + pass.side - 1) / pass.side;
    if (!take_block(n, pass.tiles)) return false;
    for (int I = 1; I <= n; ++I) {
        pass.bodies[I - 1] = {F(I, MASS), F(I, X), F(I, Y)};
        pass.velocities[I - 1] = {F(I, VX), F(I, VY)};
    }
    pass.next_row.store(0, std::memory_order_relaxed);
    return true;
}

// Every tile of every row done: not so when the helpers were stopped in the middle of
// the pass (the process is ending on another thread, the window thread, say).
bool pass_complete() {
    for (int row = 0; row < pass.tiles; ++row)
        if (pass.rows[row].tiles_done.load(std::memory_order_acquire) != pass.tiles - row) return false;
    return true;
}

}  // namespace

bool gravity_in_tiles(Simulation& simulation) {
    BodyTable& F = simulation.F;
    const int n = simulation.N;
    // A full table stops at its last row's start check: the loop's business.
    if (n < MIN_TILED_BODIES || n >= MAXBODIES || runtime::worker_slots() < 2 || !prepare(F, n)) return false;
    if ((runtime::run_on_workers(work, nullptr) & runtime::TRAPPING_FLAGS) != 0 || !pass_complete()) return false;
    for (int I = 1; I <= n; ++I) {
        F(I, VX) = pass.velocities[I - 1].vx;
        F(I, VY) = pass.velocities[I - 1].vy;
    }
    return true;
}

}  // namespace sim
