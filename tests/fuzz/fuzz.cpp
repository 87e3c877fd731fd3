// The libFuzzer target: each input as a number token and as the parameter file. The
// program's code runs in process: a run-time error comes back as its number, and an
// outcome the input may not have aborts.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <string>

#include "console/val.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/filedriver.h"
#include "runtime/textfile.h"
#include "sim/loader.h"
#include "sim/simulation.h"

namespace {

std::jmp_buf landing;
int file = -1;  // the parameter file, in memory

// The run-time error number body raised, or 0 when it returned.
template <typename Body>
int run(Body body) {
    runtime::reset_fpu();
    int code = setjmp(landing);
    if (code == 0) body();
    runtime::INOUTRES = 0;  // a pending error the body did not check
    runtime::reset_fpu();  // no flag left from the input for the next one
    return code == 1000 ? 0 : code;
}

#define EXPECT(allowed) \
    if (!(allowed)) std::abort()

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    runtime::install_fault_filter();
    runtime::set_process_end([](uint16_t code) { std::longjmp(landing, code == 0 ? 1000 : code); });
    runtime::OPENSTDIO();
    file = memfd_create("parameters", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Unsigned: a value or 0 on failure, plain digits their value. Real: a finite
    // value, 0 on failure, or error 205. The file: loaded, or stopped with 106, 201, 205.
    runtime::ShortString token(std::string_view(reinterpret_cast<const char*>(data), size));
    auto [value, ok] = console::VALUNSIGNEDINT(token);
    bool decimal = token.length > 0 && token.length <= 9;  // then a value fits
    uint32_t plain = 0;
    for (char c : token.view()) decimal = decimal && c >= '0' && c <= '9', plain = plain * 10 + uint32_t(c - '0');
    EXPECT((ok || value == 0) && (!decimal || (ok && value == plain)));
    static console::Converted<long double> real;
    int code = run([&] { real = console::VALFLOAT(token); });
    EXPECT(code == 205 || (code == 0 && (real.ok ? std::isfinite(real.value) : real.value == 0)));
    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != ssize_t(size)) return 0;
    static const std::string name = "/proc/self/fd/" + std::to_string(file);
    static sim::Simulation simulation;
    code = run([] {
        runtime::ASSIGN(simulation.BE, name.c_str());
        runtime::RESET(simulation.BE);
        runtime::INT_IOCHECK();
        sim::ALLAPOT(simulation);
    });
    if (simulation.BE.mode != runtime::FileMode::closed) runtime::CLOSE(simulation.BE);
    runtime::INOUTRES = 0;
    EXPECT(code == 0 || code == 106 || code == 201 || code == 205);
    return 0;
}
