// Fuzzing the unsigned integer conversion: any token gives a value or a failure
// with the value 0, and a value agrees with the digits read the plain way.
#include <cstring>

#include "console/val.h"
#include "tests/fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::ShortString token(std::string_view(reinterpret_cast<const char*>(data), size));
    auto [value, ok] = console::VALUNSIGNEDINT(token);
    fuzz::expect(ok || value == 0);
    bool decimal = token.length > 0 && token.length <= 9;
    for (char c : token.view()) decimal = decimal && c >= '0' && c <= '9';
    if (decimal) {
        uint32_t plain = 0;
        for (char c : token.view()) plain = plain * 10 + uint32_t(c - '0');
        fuzz::expect(ok && value == plain);
    }
    return 0;
}
