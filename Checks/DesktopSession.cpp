#include "Checks/DesktopSession.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

std::string Lower(const char* value) {
    std::string text = value != nullptr ? value : "";
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME", "KDE",
// "sway", "Unity:Unity7:ubuntu"); any entry may name the desktop.
bool ListsDesktop(const std::string& desktops, const std::string& name) {
    size_t start = 0;
    while (start <= desktops.size()) {
        const size_t end = std::min(desktops.find(':', start), desktops.size());
        if (desktops.compare(start, end - start, name) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

SessionEnvironment SessionEnvironment::OfThisProcess() {
    SessionEnvironment environment;
    environment.SessionType = std::getenv("XDG_SESSION_TYPE");
    environment.WaylandDisplay = std::getenv("WAYLAND_DISPLAY");
    environment.Display = std::getenv("DISPLAY");
    environment.CurrentDesktop = std::getenv("XDG_CURRENT_DESKTOP");
    environment.SwaySocket = std::getenv("SWAYSOCK");
    environment.HyprlandInstance = std::getenv("HYPRLAND_INSTANCE_SIGNATURE");
    environment.LabwcPid = std::getenv("LABWC_PID");
    return environment;
}

SessionKind SessionKindOf(const SessionEnvironment& environment) {
    const std::string type = Lower(environment.SessionType);
    if (type == "wayland") {
        return SessionKind::Wayland;
    }
    if (type == "x11") {
        return SessionKind::X11;
    }
    if (IsSet(environment.WaylandDisplay)) {
        return SessionKind::Wayland;
    }
    if (IsSet(environment.Display)) {
        return SessionKind::X11;
    }
    return SessionKind::Other;
}

DesktopSession DesktopSessionOf(const SessionEnvironment& environment) {
    struct Known {
        const char* desktopName;  // lower case, as compared
        const char* ownVariable;  // null where the compositor sets none
        Compositor compositor;
    };
    const Known known[] = {
        {"sway", environment.SwaySocket, Compositor::Sway},
        {"hyprland", environment.HyprlandInstance, Compositor::Hyprland},
        {"labwc", environment.LabwcPid, Compositor::Labwc},
        {"gnome", nullptr, Compositor::Gnome},
        {"kde", nullptr, Compositor::Kde},
    };
    DesktopSession session;
    session.Kind = SessionKindOf(environment);
    const std::string desktops = Lower(environment.CurrentDesktop);
    for (const Known& k : known) {
        if (ListsDesktop(desktops, k.desktopName)) {
            session.Desktop = k.compositor;
            return session;
        }
    }
    for (const Known& k : known) {
        if (IsSet(k.ownVariable)) {
            session.Desktop = k.compositor;
            return session;
        }
    }
    return session;
}
