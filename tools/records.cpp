// The trace tool's records.
#include "tools/records.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/checks.h"
#include "runtime/filedriver.h"
#include "runtime/fpu.h"
#include "runtime/textfile.h"
#include "tools/progress.h"

namespace tools {

namespace {

constexpr uint16_t DISK_WRITE_ERROR = 101;

char records[1 << 16];
size_t used = 0;

void write_failed(int error) {
    say({"cannot write the records: ", std::strerror(error)});
    runtime::RUNERROR(DISK_WRITE_ERROR);
}

}  // namespace

void say(std::initializer_list<std::string_view> parts) {
    constexpr size_t PIECE = 255;  // a short string at a time
    make_way_for(2);
    runtime::WRITE_STR(0, runtime::STDERR, "gravity-trace: ");
    for (std::string_view part : parts)
        for (size_t at = 0; at < part.size(); at += PIECE) runtime::WRITE_STR(0, runtime::STDERR, part.substr(at, PIECE));
    runtime::WRITELN_END(runtime::STDERR);
}

void flush_records() {
    if (used > 0) make_way_for(1);
    const int error = runtime::write_everything(1, records, used);
    used = 0;  // on a failure too: the exit sequence must not try them again
    if (error != 0) write_failed(error);
}

void emit(const char* text, size_t len) {
    if (used + len > sizeof records) flush_records();
    std::memcpy(records + used, text, len);
    used += len;
}

void emit(const char* text) { emit(text, std::strlen(text)); }

void emit_integer(long long v) {
    char text[32];
    emit(text, size_t(std::snprintf(text, sizeof text, " %lld", v)));
}

void emit_real(runtime::Extended v, bool hex) {
    if (hex) {
        const runtime::soft::Ext bits = runtime::extended_bits(v);
        emit(" ");
        emit(runtime::hexadecimal(bits.sign_exp, 4).view().data(), 4);
        emit(runtime::hexadecimal(bits.mant, 16).view().data(), 16);
        return;
    }
    // The C library's formatting is not written for trapping exceptions.
    runtime::FpuControlWord program_cw = runtime::control_word();
    runtime::load_control_word(runtime::FPUCW_INITIAL);
    char text[64];
    int len = std::snprintf(text, sizeof text, " %.21Lg", runtime::host_long_double(v));
    runtime::load_control_word(program_cw);
    emit(text, size_t(len));
}

}  // namespace tools
