#pragma once
// Whether the window system shows what lies under a window's transparent pixels. Xlib stays in
// translucency.cpp: its macros clash with Qt's names.

// X11: a compositing manager owns _NET_WM_CM_S<screen>. Wayland composites always; the
// offscreen platform keeps alpha in its images. Call on the GUI thread after the application
// exists.
bool WindowSystemTranslucent();
