#pragma once
// The X display, asked directly: whether one can be opened before Qt tries (Qt aborts when it
// cannot), and whether the application's own connection has broken.

#include <string>

#include "timeservices/query_server.h"

// True when the windows will go through X11: the xcb platform chosen, or no platform chosen and
// no Wayland display to prefer.
bool UsesX11(const EnvironmentLookup& environment = {});

// True when the display `name` (empty: $DISPLAY) accepts a connection; false with `problem` set.
bool CanOpenDisplay(const std::string& name, std::string& problem);

// True when the application runs on X11 and its connection to the server has broken (the server
// ended). Only on the GUI thread, with the QGuiApplication alive.
bool DisplayConnectionBroken();
