// Fuzzing the loader over arbitrary bytes as the parameter file: it loads, or stops
// with the pending error 106 or run-time error 201 or 205, and nothing else.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "sim/bodies.h"
#include "tests/fuzz/harness.h"

namespace {
int file = -1;
std::string name;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::prepare();
    file = memfd_create("parameters", 0);
    name = "/proc/self/fd/" + std::to_string(file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != ssize_t(size)) return 0;
    int code = fuzz::run([] {
        runtime::ASSIGN(sim::BE, name.c_str());
        runtime::RESET(sim::BE);
        runtime::INT_IOCHECK();
        sim::ALLAPOT();
    });
    if (sim::BE.mode != runtime::FileMode::closed) runtime::CLOSE(sim::BE);
    runtime::INOUTRES = 0;
    fuzz::expect(code == 0 || code == 106 || code == 201 || code == 205);
    return 0;
}
