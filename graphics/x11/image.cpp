// The off-screen image in shared or private memory, and copying it to the window.
#include "graphics/x11/image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace graphics::x11 {

namespace {

bool usable(const XImage* image, int width) { return image->bits_per_pixel == 32 && image->bytes_per_line == width * 4; }

bool create_shared(Display* d, Visual* visual, int depth, int width, int height, ImageBuffer& b) {
    b.image = XShmCreateImage(d, visual, unsigned(depth), ZPixmap, nullptr, &b.shm, unsigned(width), unsigned(height));
    if (b.image == nullptr) return false;
    size_t bytes = size_t(b.image->bytes_per_line) * size_t(height);
    b.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    b.shm.shmaddr = b.shm.shmid >= 0 ? static_cast<char*>(shmat(b.shm.shmid, nullptr, 0)) : nullptr;
    if (b.shm.shmaddr != reinterpret_cast<char*>(-1) && b.shm.shmaddr != nullptr) {
        b.image->data = b.shm.shmaddr;
        b.shm.readOnly = False;
        forget_x_errors();
        XShmAttach(d, &b.shm);
        XSync(d, False);
        shmctl(b.shm.shmid, IPC_RMID, nullptr);  // gone with the last detach
        if (!x_error_since()) {
            b.shared = true;
            std::memset(b.image->data, 0, bytes);
            return true;
        }
        shmdt(b.shm.shmaddr);
    } else if (b.shm.shmid >= 0) {
        shmctl(b.shm.shmid, IPC_RMID, nullptr);
    }
    b.image->data = nullptr;
    XDestroyImage(b.image);
    b.image = nullptr;
    return false;
}

}  // namespace

bool create_image(Display* d, int width, int height, ImageBuffer& b) {
    int screen = DefaultScreen(d);
    Visual* visual = DefaultVisual(d, screen);
    int depth = DefaultDepth(d, screen);
    if (XShmQueryExtension(d) && create_shared(d, visual, depth, width, height, b) && usable(b.image, width))
        return true;
    destroy_image(d, b);
    char* pixels = static_cast<char*>(std::calloc(size_t(width) * size_t(height), 4));
    b.image = pixels ? XCreateImage(d, visual, unsigned(depth), ZPixmap, 0, pixels, unsigned(width), unsigned(height),
                                    32, 0)
                     : nullptr;
    if (b.image == nullptr) std::free(pixels);
    if (b.image != nullptr && usable(b.image, width)) return true;
    destroy_image(d, b);
    return false;
}

void destroy_image(Display* d, ImageBuffer& b) {
    if (b.image == nullptr) return;
    if (b.shared) {
        XShmDetach(d, &b.shm);
        b.image->data = nullptr;  // not the C library's memory
        XDestroyImage(b.image);
        shmdt(b.shm.shmaddr);
    } else {
        XDestroyImage(b.image);  // frees the pixels too
    }
    b = {};
}

void put_image(Display* d, Window w, GC gc, const ImageBuffer& b, int x, int y, int width, int height) {
    if (x < 0) width += x, x = 0;
    if (y < 0) height += y, y = 0;
    width = std::min(width, b.image->width - x);
    height = std::min(height, b.image->height - y);
    if (width <= 0 || height <= 0) return;
    if (b.shared) XShmPutImage(d, w, gc, b.image, x, y, x, y, unsigned(width), unsigned(height), False);
    else XPutImage(d, w, gc, b.image, x, y, x, y, unsigned(width), unsigned(height));
}

}  // namespace graphics::x11
