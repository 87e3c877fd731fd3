// The tests' tmux.
#include "tests/support/tmux.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "tests/support/child.h"

namespace testsupport {

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string read_text_file(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

Tmux::Tmux(const std::string& command, int columns, int rows) {
    static int counter = 0;
    socket_ = "gravity-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    // The pane stays after its command ends, also when that happens at once.
    tmux("start-server \\; set-option -g remain-on-exit on \\; new-session -d -s main -x " + std::to_string(columns) +
         " -y " + std::to_string(rows) + " " + shell_quote(command));
}

Tmux::~Tmux() { tmux("kill-server"); }

std::string Tmux::tmux(const std::string& args) {
    std::string out;
    if (FILE* p = popen(("tmux -u -f /dev/null -L " + socket_ + " " + args + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

void Tmux::keys(const std::vector<std::string>& keys) {
    std::string args;
    for (const auto& k : keys) args += " " + shell_quote(k);
    tmux("send-keys -t main" + args);
}

void Tmux::text(const std::string& literal) { tmux("send-keys -t main -l " + shell_quote(literal)); }

std::vector<std::string> Tmux::screen() {
    std::vector<std::string> rows;
    std::istringstream in(tmux("capture-pane -p -t main"));
    for (std::string line; std::getline(in, line);) rows.push_back(line);
    return rows;
}

std::string Tmux::row(int r) {
    auto rows = screen();
    return r < int(rows.size()) ? rows[size_t(r)] : "";
}

std::string Tmux::row_once(int r, const std::string& text, int timeout_ms) {
    testsupport::wait_for([&] { return row(r) == text; }, timeout_ms);
    return row(r);
}

bool Tmux::wait_for(const std::string& needle, int timeout_ms) {
    return testsupport::wait_for([&] {
        for (const auto& line : screen())
            if (line.find(needle) != std::string::npos) return true;
        return false;
    }, timeout_ms);
}

std::string Tmux::mode() {
    std::string tty = tmux("display-message -p -t main '#{pane_tty}'");
    return run_child({"stty", "-g", "-F", tty.substr(0, tty.find('\n'))}).out;
}

}  // namespace testsupport
