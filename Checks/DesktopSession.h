#pragma once
// Which desktop the program runs in, from the session's environment: an X11
// or a Wayland session, and on Wayland which compositor owns the input. A
// program running as an X11 client under Xwayland is still in a Wayland
// session: there the compositor maps the touchscreen, and X11 tools change
// nothing.

enum class SessionKind { X11, Wayland, Other };

// The compositors whose own touchscreen settings the advice names.
enum class Compositor { Unknown, Sway, Gnome, Kde, Hyprland, Labwc };

struct DesktopSession {
    SessionKind Kind = SessionKind::Other;
    Compositor Desktop = Compositor::Unknown;
};

// The variables the session is told from; each may be null.
struct SessionEnvironment {
    const char* SessionType = nullptr;       // XDG_SESSION_TYPE
    const char* WaylandDisplay = nullptr;    // WAYLAND_DISPLAY
    const char* Display = nullptr;           // DISPLAY
    const char* CurrentDesktop = nullptr;    // XDG_CURRENT_DESKTOP
    const char* SwaySocket = nullptr;        // SWAYSOCK
    const char* HyprlandInstance = nullptr;  // HYPRLAND_INSTANCE_SIGNATURE
    const char* LabwcPid = nullptr;          // LABWC_PID

    static SessionEnvironment OfThisProcess();
};

// XDG_SESSION_TYPE first; else a Wayland display, even beside an X11 one
// (Xwayland sets DISPLAY for its clients), makes it Wayland.
SessionKind SessionKindOf(const SessionEnvironment& environment);
// XDG_CURRENT_DESKTOP first, as the session names itself; else the
// variable a compositor sets for its own clients (a compositor started by
// hand from a console sets no desktop name).
DesktopSession DesktopSessionOf(const SessionEnvironment& environment);
