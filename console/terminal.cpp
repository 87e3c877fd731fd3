// The terminal: descriptors, modes, and what the signals do to the mode. What runs
// inside signal handlers uses only tcsetattr and poll, on termios records prepared in
// advance, and lock-free atomics.
#include "console/terminal.h"

#include "console/codepage.h"
#include "runtime/filedriver.h"
#include "runtime/plant.h"
#include "runtime/signals.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace console::terminal {

namespace {

int out_fd = -1;
bool cursor_unanswered = false;  // a terminal that once left the query unanswered is not asked again
bool input_terminal = false;
bool mode_changed = false;  // both records below are prepared, and the handlers installed
struct termios saved_mode;  // as found at start-up
struct termios key_mode;

// The mode the program is in now: what a stop and continue put back.
enum Mode : int { AS_FOUND, KEYS };
std::atomic<int> current_mode{AS_FOUND};
// Stop and continue handlers running now, on any thread: each may apply the mode it
// read just before the program changed it.
std::atomic<int> handlers_running{0};
constexpr int HANDLERS_WAIT_MS = 200;

void apply(const struct termios& mode) {
    while (tcsetattr(0, TCSANOW, &mode) != 0 && errno == EINTR) {
    }
}

void set_mode(Mode mode) {
    current_mode = mode;
    apply(mode == KEYS ? key_mode : saved_mode);
}

// Applied again while the mode changes between its reading and its applying.
void apply_current_mode() {
    for (int applied = -1, now; (now = current_mode.load()) != applied; applied = now)
        apply(now == KEYS ? key_mode : saved_mode);
}

// The mode found, for good: a stop or continue handler still running elsewhere may
// apply the mode it read before, so it is waited for and the mode applied once more.
void restore_for_good() {
    current_mode = AS_FOUND;
    apply(saved_mode);
    for (int waited = 0; handlers_running.load() > 0 && waited < HANDLERS_WAIT_MS; ++waited) poll(nullptr, 0, 1);
    apply(saved_mode);
}

// Counts a stop or continue handler while it runs; errno is kept for the code it interrupts.
struct InHandler {
    int saved_errno;
    InHandler() : saved_errno(errno) { handlers_running.fetch_add(1); }
    ~InHandler() {
        handlers_running.fetch_sub(1);
        errno = saved_errno;
    }
};

// The terminal goes back to the shell as found while the process is stopped; when it
// goes on, or when the stop is discarded, the program's mode comes back.
void before_stop() {
    InHandler counted;
    apply(saved_mode);
}

void after_continue() {
    InHandler counted;
    apply_current_mode();
}

void install_signal_handlers() {
    runtime::add_signal_cleanup(restore_for_good);
    // The terminal's signal keys end the program, even when its shell ignores them.
    runtime::catch_ending_signal(SIGINT);
    runtime::catch_ending_signal(SIGQUIT);
    runtime::handle_stop_and_continue(before_stop, after_continue);
}

}  // namespace

bool open_output() {
    input_terminal = isatty(0);
    if (isatty(1)) {
        out_fd = 1;
        return true;
    }
    out_fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    return out_fd >= 0;
}

int output_fd() { return out_fd; }

void learn_charset() {
    setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    use_charset(codeset != nullptr ? codeset : "ANSI_X3.4-1968");
    setlocale(LC_CTYPE, "C");  // nothing else of the program depends on the locale
}

void enter_key_mode() {
    if (!input_terminal || tcgetattr(0, &saved_mode) != 0) return;
    key_mode = saved_mode;
    // Bytes as typed (Enter stays CR, Ctrl+S and Ctrl+Q arrive), no echo: the line
    // editor echoes. ISIG stays: Ctrl+C and Ctrl+\ still end the process at once.
    key_mode.c_lflag &= tcflag_t(~(ICANON | ECHO | ECHONL | IEXTEN));
    key_mode.c_iflag &= tcflag_t(~(ICRNL | INLCR | IGNCR | IXON));
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    // Ctrl+Z is a key of the line editor (it is ignored there), not a suspend.
    key_mode.c_cc[VSUSP] = _POSIX_VDISABLE;
    mode_changed = true;
    install_signal_handlers();
    set_mode(KEYS);
}

void restore_mode() {
    if (!mode_changed) return;
    restore_for_good();
    runtime::planted_fault("terminal-restored");
}

void file_read_guard(bool reading) {
    if (mode_changed) set_mode(reading ? AS_FOUND : KEYS);
}

bool size(int& columns, int& rows) {
    struct winsize ws {};
    if (ioctl(out_fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0) return false;
    columns = ws.ws_col;
    rows = ws.ws_row;
    return true;
}

void write_all(const char* data, size_t n) {
    runtime::write_everything(out_fd, data, n);  // a write the terminal refuses is lost
}

size_t read_input(uint8_t* buffer, size_t capacity, int timeout_ms, bool& end_of_input) {
    pollfd p{0, POLLIN, 0};
    int ready = poll(&p, 1, timeout_ms);
    if (ready <= 0) return 0;
    ssize_t n = read(0, buffer, capacity);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
    if (n <= 0) {
        end_of_input = true;
        return 0;
    }
    return size_t(n);
}

// The answer is ESC [ row ; column R; anything around it was typed. Returns the
// answer's length at start, 0 when there is none there.
size_t cursor_answer(const uint8_t* got, size_t length, size_t start, int& column, int& row) {
    if (got[start] != 0x1b || start + 1 >= length || got[start + 1] != '[') return 0;
    size_t i = start + 2;
    int r = 0, c = 0;
    while (i < length && got[i] >= '0' && got[i] <= '9') r = r * 10 + (got[i++] - '0');
    if (i >= length || got[i] != ';') return 0;
    ++i;
    while (i < length && got[i] >= '0' && got[i] <= '9') c = c * 10 + (got[i++] - '0');
    if (i >= length || got[i] != 'R') return 0;
    column = c;
    row = r;
    return i + 1 - start;
}

bool cursor_position(int& column, int& row, KeyDecoder& typed_ahead) {
    uint8_t got[256];
    size_t length = 0, room = typed_ahead.room() < sizeof got ? typed_ahead.room() : sizeof got;
    // The answer comes after the keys already typed: with more of them than there is
    // room for, it could not be told from them.
    int queued = 0;
    if (!mode_changed || cursor_unanswered || ioctl(0, FIONREAD, &queued) != 0 || size_t(queued) + 32 > room)
        return false;
    static const char QUERY[] = "\x1b[6n";
    write_all(QUERY, sizeof QUERY - 1);
    bool ended = false;
    for (int tries = 0; tries < 10 && length < room; ++tries) {
        length += read_input(got + length, room - length, 50, ended);
        for (size_t start = 0; start < length; ++start) {
            size_t n = cursor_answer(got, length, start, column, row);
            if (n == 0) continue;
            typed_ahead.feed(got, start);
            typed_ahead.feed(got + start + n, length - start - n);
            return true;
        }
        if (ended) break;
    }
    typed_ahead.feed(got, length);
    cursor_unanswered = length < room;
    return false;
}

}  // namespace console::terminal
