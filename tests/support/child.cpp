// Child processes for the process-level tests.
#include "tests/support/child.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

void drain(int fd, std::string& into, bool& open) {
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) into.append(buf, size_t(n));
    else open = false;  // EOF, or EIO once a pty's child side has gone
}

}  // namespace

ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) std::abort();
    int pty_master = -1, pty_slave = -1;
    if (options.stdout_to_terminal && openpty(&pty_master, &pty_slave, nullptr, nullptr, nullptr) != 0) std::abort();
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        if (options.stdout_closed) close(1);
        else if (pty_slave >= 0) dup2(pty_slave, 1);
        else if (!options.stdout_file.empty()) dup2(open(options.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        else dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd = 3; fd < 64; ++fd) close(fd);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (pty_slave >= 0) close(pty_slave);
    if (!options.input.empty() && write(in[1], options.input.data(), options.input.size()) < 0) std::perror("write");
    close(in[1]);
    ChildResult r;
    int out_fd = pty_master >= 0 ? pty_master : out[0];
    bool out_open = true, err_open = true;
    while (out_open || err_open) {
        std::array<pollfd, 2> fds{pollfd{out_open ? out_fd : -1, POLLIN, 0}, pollfd{err_open ? err[0] : -1, POLLIN, 0}};
        if (poll(fds.data(), 2, -1) <= 0) break;
        if (fds[0].revents) drain(out_fd, r.out, out_open);
        if (fds[1].revents) drain(err[0], r.err, err_open);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    close(out[0]);
    close(err[0]);
    if (pty_master >= 0) close(pty_master);
    r.max_rss_kb = usage.ru_maxrss;
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
    std::string command = "addr2line -f -e '" + program + "' " + hex_address;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return "";
    char line[1024] = "";
    if (std::fgets(line, sizeof line, p) == nullptr) line[0] = '\0';
    pclose(p);
    std::string name(line);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    return name;
}

std::string temp_dir() {
    static std::string dir = [] {
        char templ[] = "/tmp/gravity-test-XXXXXX";
        std::string d = mkdtemp(templ);
        static struct Cleanup {
            std::string path;
            ~Cleanup() { std::filesystem::remove_all(path); }
        } cleanup{d};
        return d;
    }();
    return dir;
}

std::string write_file(const std::string& name, const std::string& content) {
    std::string path = temp_dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

}  // namespace testsupport
