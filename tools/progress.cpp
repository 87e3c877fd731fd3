// The progress line. A long run with pictures would otherwise write for many seconds
// without a sign of life.
#include "tools/progress.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "runtime/filedriver.h"

namespace tools {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto EVERY = std::chrono::milliseconds(250);
constexpr char ERASE[] = "\r\x1b[K";  // to the line's start, and the line cleared

bool active = false, shown = false, records_on_terminal = false;
unsigned long long total = 0;
Clock::time_point started, next_update;

void put(const char* text, size_t length) {
    runtime::write_everything(2, text, length);  // a line of progress is not worth an error
}

// m:ss
void clock_text(char* out, size_t size, double seconds) {
    const unsigned long long s = (unsigned long long)(seconds + 0.5);
    std::snprintf(out, size, "%llu:%02llu", s / 60, s % 60);
}

}  // namespace

void start_progress(unsigned long long frames) {
    active = frames > 0 && isatty(2);
    records_on_terminal = isatty(1);
    total = frames;
    started = next_update = Clock::now();
}

void show_progress(unsigned long long k) {
    if (!active) return;
    const Clock::time_point now = Clock::now();
    if (now < next_update) return;
    next_update = now + EVERY;
    const double elapsed = std::chrono::duration<double>(now - started).count();
    char taken[32], left[32], line[160];
    clock_text(taken, sizeof taken, elapsed);
    clock_text(left, sizeof left, elapsed / double(k) * double(total - k));
    int n = std::snprintf(line, sizeof line, "%sframe %llu of %llu, %s elapsed, about %s left", ERASE, k, total, taken, left);
    put(line, size_t(n));
    shown = true;
}

void make_way_for(int fd) {
    if (!shown || (fd == 1 && !records_on_terminal)) return;
    put(ERASE, sizeof ERASE - 1);
    shown = false;
}

}  // namespace tools
