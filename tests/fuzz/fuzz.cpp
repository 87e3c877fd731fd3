// The libFuzzer targets, one per build of this file (FUZZ_UINT, FUZZ_FLOAT,
// FUZZ_LOADER): the program's code runs once per input, in process, and a run-time
// error comes back here as its number instead of ending the process. An outcome the
// input may not have is a finding (abort).
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
#include "runtime/textfile.h"
#include "sim/bodies.h"

namespace {

std::jmp_buf* landing = nullptr;
int file = -1;  // the loader's parameter file, in memory

void come_back(uint16_t exit_code) { std::longjmp(*landing, exit_code == 0 ? 1000 : exit_code); }

// The run-time error number body raised, or 0 when it returned.
template <typename Body>
int run(Body body) {
    std::jmp_buf here;
    landing = &here;
    runtime::reset_fpu();
    int code = setjmp(here);
    if (code == 0) body();
    runtime::INOUTRES = runtime::ERRORCODE = runtime::EXITCODE = 0;
    runtime::ERRORADDR = runtime::ERRORBASE = 0;
    runtime::reset_fpu();  // no flag left from the input for the next one
    return code == 1000 ? 0 : code;
}

void expect(bool allowed) {
    if (!allowed) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    runtime::install_fault_filter();
    runtime::set_process_end(come_back);
    runtime::OPENSTDIO();
    file = memfd_create("parameters", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::ShortString token(std::string_view(reinterpret_cast<const char*>(data), size));
#if defined(FUZZ_UINT)  // a value, or a failure with 0; plain digits give their value
    auto [value, ok] = console::VALUNSIGNEDINT(token);
    expect(ok || value == 0);
    bool decimal = token.length > 0 && token.length <= 9;
    uint32_t plain = 0;
    for (char c : token.view()) decimal = decimal && c >= '0' && c <= '9', plain = plain * 10 + uint32_t(c - '0');
    expect(!decimal || (ok && value == plain));
#elif defined(FUZZ_FLOAT)  // a finite value, a failure with 0, or error 205
    static console::Converted<long double> result;
    int code = run([&] { result = console::VALFLOAT(token); });
    expect(code == 0 || code == 205);
    expect(code != 0 || (result.ok ? std::isfinite(result.value) : result.value == 0));
#else  // arbitrary bytes as the parameter file: loaded, or 106, 201 or 205
    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != ssize_t(size)) return 0;
    static const std::string name = "/proc/self/fd/" + std::to_string(file);
    int code = run([] {
        runtime::ASSIGN(sim::BE, name.c_str());
        runtime::RESET(sim::BE);
        runtime::INT_IOCHECK();
        sim::ALLAPOT();
    });
    if (sim::BE.mode != runtime::FileMode::closed) runtime::CLOSE(sim::BE);
    runtime::INOUTRES = 0;
    expect(code == 0 || code == 106 || code == 201 || code == 205);
#endif
    return 0;
}
