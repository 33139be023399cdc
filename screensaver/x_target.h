#pragma once
// A window of another program (or the root window) that the screen saver draws into.
// Xlib stays inside x_target.cpp: its macros clash with Qt's names.

#include <cstdint>
#include <memory>
#include <string>

namespace scr {

class XTarget {
public:
    // windowId 0 means the root window of the default screen. Null with a message on failure.
    static std::unique_ptr<XTarget> Open(unsigned long windowId, std::string& error);
    ~XTarget();
    XTarget(const XTarget&) = delete;
    XTarget& operator=(const XTarget&) = delete;

    // The window's current size; false once the window is gone.
    bool Size(int& width, int& height);
    // Copies 0xAARRGGBB pixels (rows of stride bytes) to the window's top-left corner.
    bool Put(const std::uint32_t* pixels, int width, int height, int stride);

private:
    struct Impl;
    explicit XTarget(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// "0x1a00007" or decimal; 0 when the text is no window id.
unsigned long ParseWindowId(const std::string& text);

}  // namespace scr
