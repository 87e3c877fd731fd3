// A private Xvfb (optionally with a window manager) for the tests that need a
// display, and a second X connection to look at the canvas window as a user would.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/child.h"

namespace testsupport {

class XServer {
public:
    // Starts Xvfb on a free display with one screen of the given size and sets DISPLAY
    // (restored when it ends); then the manager (a command line), ready once it has
    // announced itself and its work area.
    XServer(const std::string& geometry, const std::vector<std::string>& manager);
    explicit XServer(const std::string& geometry = "1024x768x24", bool openbox = false)
        : XServer(geometry, openbox ? std::vector<std::string>{"openbox"} : std::vector<std::string>{}) {}
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    std::string display() const { return display_; }
    void kill_server();  // ends Xvfb now, as if the X server went away

private:
    std::string display_, saved_display_;
    int xvfb_pid_ = -1, wm_pid_ = -1;
};

// Looks at windows through its own connection.
class XViewer {
public:
    XViewer();
    ~XViewer();
    // The top-level client window with this title, or 0.
    unsigned long find_window(const std::string& title, int timeout_ms = 3000);
    bool window_exists(const std::string& title) { return find_window(title, 0) != 0; }
    int windows_created();  // top-level windows, since the last call (or the viewer's start)
    struct Geometry {
        int width = 0, height = 0;
    };
    Geometry geometry(unsigned long window);
    bool maximized(unsigned long window);  // the manager says so in _NET_WM_STATE
    uint32_t pixel(unsigned long window, int x, int y);  // 0xRRGGBB, read back
    // Row by row; NOT_SEEN where the screen or the manager's frame hides the window.
    std::vector<uint32_t> image(unsigned long window, int width, int height);
    static constexpr uint32_t NOT_SEEN = 0xFF000000;
    bool all_black(unsigned long window, int width, int height);
    void send_key(unsigned long window);  // q, and Alt+F4
    void send_click(unsigned long window);
    void send_close(unsigned long window);
    void show(unsigned long window, bool mapped);  // maps or unmaps it
    // A panel of this width on the left edge: the managers' work area loses it.
    void add_side_panel(int width);
    void sync();

private:
    void* display_;
};

// Opens the canvas the way the program does (DETECTGRAPH, then INITGRAPH) and returns
// its window as the viewer finds it: 0 when the canvas did not open or no window shows.
unsigned long open_canvas_as_the_program_does(XViewer& viewer);

}  // namespace testsupport
