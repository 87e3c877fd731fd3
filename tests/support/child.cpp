// Child processes for the process-level tests.
#include "tests/support/child.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/tmux.h"

namespace testsupport {

namespace {

// A program of this build, where a command starts (also behind env, setsid or sh's
// "$@"), but not one named to addr2line by -e.
bool is_build_program(const std::string& arg) {
    return emulated() && arg.rfind(GRAVITY_BUILD_DIR, 0) == 0 && access(arg.c_str(), X_OK) == 0;
}

int open_for_writing(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); }

[[noreturn]] void exec_child(const std::vector<std::string>& argv, const ChildOptions& o, int in, int out, int err) {
    dup2(in, 0);
    if (o.stdout_closed) close(1);
    else dup2(o.stdout_file.empty() ? out : open_for_writing(o.stdout_file), 1);
    dup2(err, 2);
    for (int fd = 3; fd < 64; ++fd) close(fd);
    std::vector<char*> args;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (is_build_program(argv[i]) && (i == 0 || argv[i - 1] != "-e")) args.push_back(const_cast<char*>(GRAVITY_EMULATOR));
        args.push_back(const_cast<char*>(argv[i].c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

using Clock = std::chrono::steady_clock;

// What the child writes, until it closes its output; then its status. Past the limit
// it is killed, and the test fails.
int drain_and_reap(pid_t pid, int fd, std::string& out, Clock::time_point limit, const std::vector<std::string>& argv) {
    char buf[4096];
    for (pollfd p{fd, POLLIN, 0}; Clock::now() < limit;) {
        if (poll(&p, 1, 100) <= 0) continue;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;  // EIO ends a pty
        out.append(buf, size_t(n));
    }
    close(fd);
    int status = 0, ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < limit) usleep(1000);
    if (ended != 0) return status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "killed after five minutes: " << testing::PrintToString(argv);
    return status;
}

}  // namespace

bool emulated() { return GRAVITY_EMULATOR[0] != '\0'; }

bool sanitized() {
#ifdef GRAVITY_SANITIZE
    return true;
#else
    return false;
#endif
}

std::string command_of(const std::string& program) {
    return emulated() ? std::string(GRAVITY_EMULATOR) + " " + program : program;
}

// Standard error goes to a file, so that one descriptor is left to drain. Five minutes
// are far beyond any child's run, also on a busy machine, and within a test's own limit.
ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options) {
    static int runs = 0;
    std::string err_path = temp_dir() + "/stderr-" + std::to_string(runs++);
    int in[2], out[2], err = open_for_writing(err_path);
    bool pty = options.stdout_to_terminal;
    if (pipe(in) != 0 || (pty ? openpty(&out[0], &out[1], nullptr, nullptr, nullptr) : pipe(out)) != 0) std::abort();
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0) exec_child(argv, options, in[0], out[1], err);
    for (int fd : {in[0], out[1], err}) close(fd);
    if (write(in[1], options.input.data(), options.input.size()) < 0) std::abort();
    close(in[1]);
    ChildResult r;
    int status = drain_and_reap(pid, out[0], r.out, Clock::now() + std::chrono::minutes(5), argv);
    r.err = read_text_file(err_path);
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

std::vector<std::string> report_lines(const std::string& out) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(out.substr(start, end - start));
    if (start < out.size()) lines.push_back(out.substr(start));
    return lines;
}

std::string function_at(const std::string& program, const std::string& hex_address) {
    // With -i, each routine the address is inlined into, innermost first, each name
    // followed by its line: the names, joined.
    std::string out = run_child({GRAVITY_ADDR2LINE, "-f", "-i", "-e", program, hex_address}).out, names;
    bool name = true;
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1, name = !name)
        if (name) names += (names.empty() ? "" : " ") + out.substr(at, end - at);
    return names;
}

std::string temp_dir() {
    static struct Dir {
        std::string path;
        ~Dir() { std::filesystem::remove_all(path); }
    } dir{[] {
        char templ[] = "/tmp/gravity-test-XXXXXX";
        return std::string(mkdtemp(templ));
    }()};
    return dir.path;
}

std::string write_file(const std::string& name, const std::string& content) {
    std::string path = temp_dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

bool wait_for(const std::function<bool()>& done, int limit_ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!done() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

}  // namespace testsupport
