#include "shell/display_link.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

namespace {

const char* Get(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment ? environment(name) : std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace

bool UsesX11(const EnvironmentLookup& environment) {
    if (const char* platform = Get(environment, "QT_QPA_PLATFORM"))
        return std::string(platform).rfind("xcb", 0) == 0;
    return Get(environment, "DISPLAY") != nullptr && Get(environment, "WAYLAND_DISPLAY") == nullptr;
}

bool CanOpenDisplay(const std::string& name, std::string& problem) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(name.empty() ? nullptr : name.c_str(), &screen);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error == 0)
        return true;
    const char* shown = name.empty() ? std::getenv("DISPLAY") : name.c_str();
    problem = std::string("cannot open display '") + (shown != nullptr ? shown : "") + "'";
    return false;
}

bool DisplayConnectionBroken() {
    if (qGuiApp == nullptr)
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    return connection != nullptr && xcb_connection_has_error(connection) != 0;
}
