#include "shell/translucency.h"

#include <QGuiApplication>
#include <string>

#include <X11/Xlib.h>

bool WindowSystemTranslucent() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland") || platform == QLatin1String("offscreen"))
        return true;
    if (platform != QLatin1String("xcb"))
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr)
        return false;
    const std::string selection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.c_str(), False);
    return atom != None && XGetSelectionOwner(display, atom) != None;
}
