// The memory driver: open and refill from bytes the caller keeps.
#include "runtime/memorydriver.h"

#include <algorithm>
#include <cstring>

#include "runtime/filedriver.h"

namespace runtime {

namespace {

// Kept in the record's free bytes for the driver.
struct Bytes {
    const char* data;
    uint32_t size, at;
};
static_assert(sizeof(Bytes) <= sizeof(TEXTREC::userdata));

Bytes bytes_of(const TEXTREC& f) {
    Bytes b;
    std::memcpy(&b, f.userdata, sizeof b);
    return b;
}

void keep(TEXTREC& f, const Bytes& b) { std::memcpy(f.userdata, &b, sizeof b); }

void memory_read(TEXTREC& f) {
    Bytes b = bytes_of(f);
    const uint32_t n = std::min(uint32_t(f.bufsize), b.size - b.at);
    std::memcpy(f.bufptr, b.data + b.at, n);
    b.at += n;
    keep(f, b);
    f.bufpos = 0;
    f.bufend = int32_t(n);
}

void memory_open(TEXTREC& f) {
    if (f.mode != FileMode::input) {
        fail_on(f, 5);
        return;
    }
    Bytes b = bytes_of(f);
    b.at = 0;
    keep(f, b);
    f.inoutfunc = memory_read;
    f.flushfunc = nullptr;
    f.closefunc = nullptr;
}

}  // namespace

void assign_memory(TEXTREC& f, const ShortString& name, const char* data, uint32_t size) {
    ASSIGN(f, name);
    f.openfunc = memory_open;
    keep(f, {data, size, 0});
}

}  // namespace runtime
