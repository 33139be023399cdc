#include "screensaver/x_target.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace scr {
namespace {

// Xlib's default handler ends the process on an error such as a vanished window; we want a
// false result instead.
thread_local int g_lastXError = 0;
int RecordError(Display*, XErrorEvent* e) {
    g_lastXError = e->error_code;
    return 0;
}

int Shift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

}  // namespace

struct XTarget::Impl {
    Display* dpy = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    ~Impl() {
        if (gc)
            XFreeGC(dpy, gc);
        if (dpy)
            XCloseDisplay(dpy);
    }
};

XTarget::XTarget(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XTarget::~XTarget() = default;

std::unique_ptr<XTarget> XTarget::Open(unsigned long windowId, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->dpy = XOpenDisplay(nullptr);
    if (!impl->dpy) {
        error = "cannot open the X display";
        return nullptr;
    }
    XSetErrorHandler(RecordError);
    impl->window = windowId ? windowId : DefaultRootWindow(impl->dpy);
    XWindowAttributes attr{};
    g_lastXError = 0;
    if (!XGetWindowAttributes(impl->dpy, impl->window, &attr) || g_lastXError) {
        error = "no such window";
        return nullptr;
    }
    impl->visual = attr.visual;
    impl->depth = attr.depth;
    impl->gc = XCreateGC(impl->dpy, impl->window, 0, nullptr);
    XSync(impl->dpy, False);
    if (g_lastXError) {
        error = "cannot draw into the window";
        return nullptr;
    }
    return std::unique_ptr<XTarget>(new XTarget(std::move(impl)));
}

bool XTarget::Size(int& width, int& height) {
    XWindowAttributes attr{};
    g_lastXError = 0;
    if (!XGetWindowAttributes(impl_->dpy, impl_->window, &attr) || g_lastXError)
        return false;
    width = attr.width;
    height = attr.height;
    return true;
}

bool XTarget::Put(const std::uint32_t* pixels, int width, int height, int stride) {
    Visual* v = impl_->visual;
    const bool direct =
        impl_->depth >= 24 && v->red_mask == 0xff0000 && v->green_mask == 0xff00 && v->blue_mask == 0xff;
    XImage* img = nullptr;
    std::vector<char> converted;
    if (direct) {
        img =
            XCreateImage(impl_->dpy, v, impl_->depth, ZPixmap, 0,
                         const_cast<char*>(reinterpret_cast<const char*>(pixels)), width, height, 32, stride);
    } else {
        // Other visuals: build the image pixel by pixel through the visual's masks.
        img = XCreateImage(impl_->dpy, v, impl_->depth, ZPixmap, 0, nullptr, width, height, 32, 0);
        if (img) {
            converted.resize(static_cast<std::size_t>(img->bytes_per_line) * height);
            img->data = converted.data();
            const int rs = Shift(v->red_mask), gs = Shift(v->green_mask), bs = Shift(v->blue_mask);
            for (int y = 0; y < height; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(
                    reinterpret_cast<const char*>(pixels) + static_cast<std::size_t>(y) * stride);
                for (int x = 0; x < width; ++x) {
                    const unsigned long r = (row[x] >> 16) & 0xff, g = (row[x] >> 8) & 0xff,
                                        b = row[x] & 0xff;
                    auto scale = [](unsigned long c, unsigned long mask, int shift) {
                        const unsigned long max = mask >> shift;
                        return ((c * max / 255) << shift) & mask;
                    };
                    XPutPixel(
                        img, x, y,
                        scale(r, v->red_mask, rs) | scale(g, v->green_mask, gs) | scale(b, v->blue_mask, bs));
                }
            }
        }
    }
    if (!img)
        return false;
    g_lastXError = 0;
    XPutImage(impl_->dpy, impl_->window, impl_->gc, img, 0, 0, 0, 0, width, height);
    img->data = nullptr;  // the pixels belong to the caller or to converted
    XDestroyImage(img);
    XSync(impl_->dpy, False);
    return g_lastXError == 0;
}

unsigned long ParseWindowId(const std::string& text) {
    if (text.empty())
        return 0;
    char* end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(text.c_str(), &end, 0);
    if (errno || !end || *end != '\0')
        return 0;
    return id;
}

}  // namespace scr
