#!/usr/bin/env bash
# The full-screen windows under a real Wayland compositor: sway on its
# headless backend with two outputs side by side, t860util on Qt's Wayland
# platform with its main window on the second output. Esc must open the touch
# test full screen on that same output with the keyboard (Alt+F4 then closes
# it, and only it), and Ctrl+Shift+A the accuracy test likewise. The windows
# are checked in sway's own tree and in screenshots of both outputs.
#
# Usage: scripts/sway-check.sh PATH/TO/t860util
# Needs sway, swaymsg, grim, wtype, jq and Qt's Wayland platform plugin
# (scripts/packages.txt). Sway is run as an unprivileged user (nobody when
# started as root); it listens on a socket in a private folder only.
set -euo pipefail

program=$(realpath "$1")
deadline_s=60

for tool in sway swaymsg grim wtype jq setpriv; do
    command -v "$tool" >/dev/null || { echo "sway-check: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done
if ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
    echo "sway-check: Qt's Wayland platform is missing (package qt6-wayland)"
    exit 1
fi

work=$(mktemp -d /tmp/t860-sway.XXXXXX)
chmod 755 "$work"
runtime="$work/run"
home="$work/home"
mkdir -p "$runtime" "$home"
chmod 700 "$runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    # Sway is not meant to run as root, and a test has no business being root.
    chown 65534:65534 "$runtime" "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
session_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime")

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "sway-check: FAILED: $*"
    echo "--- sway's tree:"
    swaytree | jq -c '.. | objects | select(.pid? != null) | {name, output: .output, focused, fullscreen_mode, rect}' || true
    echo "--- t860util:"
    tail -20 "$work/t860util.log" || true
    echo "--- sway:"
    tail -20 "$work/sway.log" || true
    exit 1
}

# Polls a condition (a command) until it holds or the deadline passes.
wait_for() {
    local what=$1
    shift
    local end=$((SECONDS + deadline_s))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || fail "$what"
        sleep 0.2
    done
}

cat > "$work/config" <<'EOF'
output HEADLESS-1 resolution 1280x720 position 0 0
output HEADLESS-2 resolution 1280x720 position 1280 0
EOF
chmod 644 "$work/config"

"${session_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=2 "${as_user[@]}" sway -c "$work/config" >"$work/sway.log" 2>&1 &
pids+=($!)

sway_socket() { compgen -G "$runtime/sway-ipc.*.sock" >/dev/null; }
wait_for "sway started" sway_socket
socket=$(compgen -G "$runtime/sway-ipc.*.sock")
display=$(basename "$(compgen -G "$runtime/wayland-*[0-9]" | head -1)")
in_session=("${session_env[@]}" WAYLAND_DISPLAY="$display" SWAYSOCK="$socket" "${as_user[@]}")

swaymsg_() { "${in_session[@]}" swaymsg "$@"; }
swaytree() { swaymsg_ -t get_tree; }
# Each window of the program as "output name fullscreen focused", one a line.
windows() {
    swaytree | jq -r '.. | objects | select(.type? == "output") | .name as $output
        | .. | objects | select(.pid? != null)
        | "\($output)|\(.name)|\(.fullscreen_mode)|\(.focused)"'
}
has_window() { windows | grep -qxF "$1"; }
no_window_named() { ! windows | grep -q "|$1|"; }
# wtype makes a new virtual keyboard each run; Alt is pressed apart from
# F4 (-s: its pause) so that the client has the keyboard's state first.
press() { "${in_session[@]}" wtype "$@"; }
# Presses the keys until a window of that name is there (in any state), then
# waits for the window as given: the program takes the keys only once it has
# found the controller, which the desktop does not show. No key is pressed
# again once the window exists, so a slow window is not closed by a repeat.
press_until_window() {
    local window=$1
    shift
    local name
    name=$(cut -d'|' -f2 <<<"$window")
    local end=$((SECONDS + deadline_s))
    until ! no_window_named "$name"; do
        [ "$SECONDS" -lt "$end" ] || fail "$window after $*"
        press "$@"
        local settle=$((SECONDS + 5))
        until ! no_window_named "$name" || [ "$SECONDS" -ge "$settle" ]; do
            sleep 0.2
        done
    done
    wait_for "$window after $*" has_window "$window"
}

two_outputs() { [ "$(swaymsg_ -t get_outputs | jq 'length')" -eq 2 ]; }
wait_for "two outputs" two_outputs

# The headless seat has no keyboard. A keyboard that appears only with each
# wtype run races its own keys: the client asks for its wl_keyboard when the
# seat announces one, and a key pressed before that is lost (the client then
# sees only its release). One virtual keyboard held for the whole check, in
# place before the program starts, gives the program its wl_keyboard once and
# for all; wtype's own keyboards then only add to a seat that has one.
"${in_session[@]}" wtype -s 86400000 &
pids+=($!)
has_keyboard() { swaymsg_ -t get_inputs | jq -e 'any(.[]; .type == "keyboard")' >/dev/null; }
wait_for "a keyboard on the seat" has_keyboard
swaymsg_ focus output HEADLESS-2 >/dev/null

run_program() {
    "${in_session[@]}" env XDG_CONFIG_HOME="$home" QT_QPA_PLATFORM=wayland \
        "$program" /simulate "$@" >>"$work/t860util.log" 2>&1 &
    pids+=($!)
    program_pid=$!
}

# Share of the output's pixels that are light (the windows' face colour,
# where sway's own background is dark).
light_percent() {
    local shot="$work/$1.ppm"
    "${in_session[@]}" grim -o "$1" -t ppm - >"$shot"
    local total=$((1280 * 720 * 3)) light
    light=$(tail -c "$total" "$shot" | LC_ALL=C tr -d '\000-\177' | wc -c)
    echo $((light * 100 / total))
}
# The window's frames cover the second output, and nothing the first.
covers_second() {
    # Its first frame may come a moment after sway made it full screen.
    covered() { [ "$(light_percent HEADLESS-2)" -gt 80 ]; }
    wait_for "$1 drawn over the second output" covered
    local first
    first=$(light_percent HEADLESS-1)
    echo "sway-check: light pixels: HEADLESS-1 $first %, HEADLESS-2 $(light_percent HEADLESS-2) %"
    [ "$first" -lt 5 ] || fail "something covers the first output"
}

# Nothing tells the program where the technician is but the compositor, which
# puts a new window on the output with the focus.
echo "sway-check: /accuracy started with the focus on the second output"
run_program /accuracy
wait_for "the accuracy test full screen on the second output, with the keyboard" \
    has_window "HEADLESS-2|Accuracy Test|1|true"
covers_second "the accuracy test"
press -M alt -s 300 -k F4 -s 300 -m alt
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_for "the program ended with its accuracy test" program_ended

run_program
main="HEADLESS-2|BFT860 TouchScreen Utilities|0"
wait_for "the main window on the second output, with the keyboard" has_window "$main|true"

echo "sway-check: Esc opens the touch test"
# On the second output, full screen, with the keyboard.
press_until_window "HEADLESS-2|XTest|1|true" -k Escape
covers_second "the touch test"

echo "sway-check: Alt+F4 closes it, and only it"
press -M alt -s 300 -k F4 -s 300 -m alt
wait_for "the touch test closed" no_window_named XTest
has_window "$main|true" || fail "the main window lost the keyboard or closed"

echo "sway-check: Ctrl+Shift+A opens the accuracy test"
press_until_window "HEADLESS-2|Accuracy Test|1|true" -M ctrl -M shift -k a -m shift -m ctrl
press -M alt -s 300 -k F4 -s 300 -m alt
wait_for "the accuracy test closed" no_window_named "Accuracy Test"
has_window "$main|true" || fail "the main window lost the keyboard or closed"
echo "sway-check: passed"
