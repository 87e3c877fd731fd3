// A test program for number conversion under the program's control word: each
// argument is converted and printed as hex bits (reals) or decimal ("u:" integers),
// or "fail"; an overflow ends it with the run-time error report.
#include <cstring>

#include "console/val.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

ShortString real_bits(long double v) {
    uint64_t significand;
    uint16_t sign_exponent;
    std::memcpy(&significand, &v, 8);
    std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&v) + 8, 2);
    ShortString s = hexadecimal(sign_exponent, 4);
    s.append(" ");
    s.append(hexadecimal(significand, 16).view());
    return s;
}

void probe() {
    initialize();
    for (int i = 1; i < argument_count(); ++i) {
        const char* arg = argument(i);
        if (std::strncmp(arg, "u:", 2) == 0) {
            auto [v, ok] = console::VALUNSIGNEDINT(arg + 2);
            write_statement(STDOUT, ok ? decimal(v) : ShortString("fail"), true);
        } else {
            auto [v, ok] = console::VALFLOAT(arg);
            write_statement(STDOUT, ok ? real_bits(v) : ShortString("fail"), true);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    save_command_line(argc, argv);
    EXE_ENTRY(probe);
}
