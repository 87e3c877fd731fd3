// A real terminal for the tests: a private tmux server (killed with the object)
// running one command in a pane of a fixed size, driven with send-keys and read with
// capture-pane.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

class Tmux {
public:
    Tmux(const std::string& command, int columns = 80, int rows = 24);  // through sh
    ~Tmux();
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;
    void keys(const std::vector<std::string>& keys);  // tmux key names: Enter, F1, C-c, M-a
    void text(const std::string& literal);             // typed as it stands
    std::vector<std::string> screen();                  // the visible rows
    std::string row(int r);                             // one row, from 0
    bool wait_for(const std::string& needle, int timeout_ms = 30000);  // the screen shows it
    std::string row_once(int r, const std::string& text, int timeout_ms = 30000);  // once it is text, else as it is then
    std::string mode();                                  // the terminal's, as "stty -g" writes it

private:
    std::string tmux(const std::string& args);
    std::string socket_;
};

std::string shell_quote(const std::string& s);
std::string read_text_file(const std::string& path);

}  // namespace testsupport
