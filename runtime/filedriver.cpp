// The file driver: open, refill, write and close on Linux descriptors, and the
// translation of Linux errors into the pending error numbers.
#include "runtime/filedriver.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runtime {

namespace {

// userdata[0]: the descriptor is a character device (a terminal): one read per refill.
constexpr int CHARDEV = 0;

void (*terminal_read_guard)(const char*, int32_t) = nullptr;

bool is_character_device(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
}

bool is_directory(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the directory part of name (everything before the last '/') exists.
bool parent_exists(const char* name) {
    const char* slash = std::strrchr(name, '/');
    if (slash == nullptr || slash == name) return true;
    return is_directory(std::string(name, size_t(slash - name)).c_str());  // names of any length
}

void open_for_reading(TEXTREC& f) {
    if (f.name[0] == '\0') {
        // The standard input as the process got it, read directly: no line editor.
        f.handle = 0;
    } else {
        int fd = open(f.name, O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            fail_on(f, ERRNO2INOUTRES(host_error_code(errno, f.name, true)));
            return;
        }
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {  // Linux opens directories: refuse
            close(fd);
            fail_on(f, 5);
            return;
        }
        f.handle = fd;
    }
    f.userdata[CHARDEV] = is_character_device(f.handle);
    f.inoutfunc = FILEREADFUNC;
    f.flushfunc = nullptr;
    f.closefunc = FILECLOSEFUNC;
}

void open_for_writing(TEXTREC& f) {
    if (f.name[0] == '\0') {
        f.handle = 1;
    } else {
        int fd = open(f.name, O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            fail_on(f, ERRNO2INOUTRES(host_error_code(errno, f.name, false)));
            return;
        }
        f.handle = fd;
    }
    f.inoutfunc = FILEWRITEFUNC;
    f.flushfunc = FILEWRITEFUNC;
    f.closefunc = FILECLOSEFUNC;
}

}  // namespace

uint16_t ERRNO2INOUTRES(uint32_t code) {
    if (code >= 19 && code <= 31) return uint16_t(code + 131);
    if (code == 32) return 5;
    return uint16_t(code);
}

uint32_t host_error_code(int err, const char* name, bool reading) {
    switch (err) {
    case ENOENT: return parent_exists(name) ? 2 : 3;
    case ENOTDIR:
    case ELOOP: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return 123;
    case ENXIO:
    case ENODEV: return 21;          // device not ready
    case EIO: return reading ? 30 : 29;  // read fault, write fault
    default: return 31;              // general failure
    }
}

void FILEOPENFUNC(TEXTREC& f) {
    // '/' is already the directory separator here, so names pass on unchanged.
    if (f.mode == FileMode::input) open_for_reading(f);
    else open_for_writing(f);
}

void set_terminal_read_guard(void (*guard)(const char* data, int32_t length)) { terminal_read_guard = guard; }

void FILEREADFUNC(TEXTREC& f) {
    const bool guarded = f.userdata[CHARDEV] && terminal_read_guard != nullptr;
    if (guarded) terminal_read_guard(nullptr, 0);
    int32_t got = 0;
    for (;;) {
        ssize_t n = read(f.handle, f.bufptr + got, size_t(f.bufsize - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EPIPE) fail_on(f, ERRNO2INOUTRES(host_error_code(errno, f.name, true)));
            break;
        }
        got += int32_t(n);
        // A terminal hands over one line per read: asking again would wait for the next.
        if (n == 0 || got == f.bufsize || f.userdata[CHARDEV]) break;
    }
    f.bufpos = 0;
    f.bufend = got;
    if (guarded) terminal_read_guard(f.bufptr, got);
}

int write_everything(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return w < 0 ? errno : ENOSPC;
        data += w;
        n -= size_t(w);
    }
    return 0;
}

void FILEWRITEFUNC(TEXTREC& f) {
    if (write_everything(f.handle, f.bufptr, size_t(f.bufpos)) != 0) fail_on(f, 101);
    f.bufpos = 0;
}

void FILECLOSEFUNC(TEXTREC& f) {
    if (f.handle > 2) close(f.handle);
    f.handle = -1;
}

void bind_descriptor(TEXTREC& f, int fd, FileMode mode) {
    ASSIGN(f, "");
    f.handle = fd;
    f.mode = mode;
    f.userdata[CHARDEV] = is_character_device(fd);
    if (mode == FileMode::input) {
        f.inoutfunc = FILEREADFUNC;
        f.flushfunc = nullptr;
    } else {
        f.inoutfunc = FILEWRITEFUNC;
        f.flushfunc = FILEWRITEFUNC;
    }
    f.closefunc = FILECLOSEFUNC;
}

void ASSIGN(TEXTREC& f, const ShortString& name) {
    std::memset(&f, 0, sizeof f);
    f.handle = -1;
    f.mode = FileMode::closed;
    f.bufsize = TEXTBUFSIZE;
    f.bufptr = f.buffer;
    f.openfunc = FILEOPENFUNC;
    std::memcpy(f.name, name.chars, name.length);
}

void OPENSTDIO() {
    bind_descriptor(INPUT, 0, FileMode::input);
    bind_descriptor(OUTPUT, 1, FileMode::output);
    bind_descriptor(STDOUT, 1, FileMode::output);
    bind_descriptor(STDERR, 2, FileMode::output);
}

}  // namespace runtime
