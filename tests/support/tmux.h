// A real terminal for the tests: a private tmux server running one command in a pane
// of a fixed size, driven with send-keys and read with capture-pane.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

class Tmux {
public:
    // Runs command (through sh) in a detached session of the given size.
    Tmux(const std::string& command, int columns = 80, int rows = 24);
    ~Tmux();
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;

    void keys(const std::vector<std::string>& keys);  // tmux key names: Enter, F1, C-c, M-a
    void text(const std::string& literal);             // typed as it stands
    std::vector<std::string> screen();                  // the visible rows
    std::string row(int r);                             // one row, from 0
    // Waits until the screen shows needle; false after timeout_ms.
    bool wait_for(const std::string& needle, int timeout_ms = 5000);
    bool pane_dead();  // the command has ended
    bool wait_dead(int timeout_ms = 5000);

private:
    std::string tmux(const std::string& args);
    std::string socket_;
};

std::string shell_quote(const std::string& s);
std::string read_text_file(const std::string& path);

}  // namespace testsupport
