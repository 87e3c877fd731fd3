// A private Xvfb (optionally with openbox) for the tests that need a display, and a
// second X connection to look at the canvas window as a user would see it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class XServer {
public:
    // Starts Xvfb on a free display with one screen of the given size; sets DISPLAY.
    explicit XServer(const std::string& geometry = "1024x768x24", bool window_manager = false);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    std::string display() const { return display_; }
    void kill_server();  // ends Xvfb now, as if the X server went away

private:
    std::string display_;
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
    struct Geometry {
        int width = 0, height = 0;
    };
    Geometry geometry(unsigned long window);
    // The pixel as 0xRRGGBB, read back from the server.
    uint32_t pixel(unsigned long window, int x, int y);
    bool all_black(unsigned long window, int width, int height);
    // The whole client area as 0xRRGGBB pixels, row by row.
    std::vector<uint32_t> image(unsigned long window, int width, int height);
    void send_key(unsigned long window);
    void send_click(unsigned long window);
    void send_close(unsigned long window);
    void unmap(unsigned long window);
    void map(unsigned long window);
    void sync();

private:
    void* display_;
};

}  // namespace testsupport
