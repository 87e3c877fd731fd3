// Fuzzing the real conversion under the program's control word: any token gives a
// finite value, a failure with the value 0, or run-time error 205.
#include <cmath>

#include "console/val.h"
#include "tests/fuzz/harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::ShortString token(std::string_view(reinterpret_cast<const char*>(data), size));
    static console::Converted<long double> result;
    int code = fuzz::run([&] { result = console::VALFLOAT(token); });
    fuzz::expect(code == 0 || code == 205);
    if (code == 0) fuzz::expect(result.ok ? std::isfinite(result.value) : result.value == 0);
    return 0;
}
