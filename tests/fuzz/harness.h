// Running the program's code once per fuzzer input, in process: a run-time error
// comes back here as its number instead of ending the process.
#pragma once
#include <csetjmp>
#include <cstdint>
#include <cstdlib>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/textfile.h"

namespace fuzz {

inline std::jmp_buf* landing = nullptr;

inline void come_back(uint16_t exit_code) { std::longjmp(*landing, exit_code == 0 ? 1000 : exit_code); }

inline void prepare() {
    runtime::install_fault_filter();
    runtime::set_process_end(come_back);
    runtime::OPENSTDIO();
}

// The run-time error number body raised, or 0 when it returned.
template <typename Body>
int run(Body body) {
    std::jmp_buf here;
    landing = &here;
    runtime::reset_fpu();
    int code = setjmp(here);
    if (code == 0) body();
    landing = nullptr;
    runtime::INOUTRES = 0;
    runtime::ERRORADDR = runtime::ERRORBASE = 0;
    runtime::ERRORCODE = runtime::EXITCODE = 0;
    runtime::reset_fpu();  // no flag left from the input for the next one
    return code == 1000 ? 0 : code;
}

// Anything but the outcomes the input may have is a finding.
inline void expect(bool allowed) {
    if (!allowed) std::abort();
}

}  // namespace fuzz
