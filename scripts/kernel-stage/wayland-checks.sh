# The controller under sway, sourced by guest-checks.sh after its other
# checks, and run there: sway on its headless backend with two outputs takes
# the controller's touch devices from the kernel through libinput (a seat
# from seatd), lists each with the identifier that the program's mapping
# advice writes for it, and takes the advice's swaymsg command for it. Then
# t860util on Qt's Wayland platform, as the session's user: the touch test
# opens on the main window's output with the keyboard and Alt+F4 closes it;
# the virtual technician plays the accuracy test through kernel, libinput,
# sway and Qt, sway's default mapping over both outputs is judged "whole
# desktop", and the swaymsg commands the program prints make it "correct";
# a rotation from udev's calibration matrix is judged so, and the printed
# calibration_matrix command makes it "correct" again.

wl_run=$work/wayland-run
wl_home=$work/wayland-home
wl_pids=()

# Runs a command as the user, in sway's session (set once sway is up; a
# command put in the background with it directly keeps its own pid).
wl_session=()
in_sway() { "${wl_session[@]}" "$@"; }
# "identifier<TAB>name" of each touch device sway has.
sway_touches() {
    in_sway swaymsg -t get_inputs | jq -r '.[] | select(.type == "touch") | "\(.identifier)\t\(.name)"'
}
has_touch() { [ -n "$(sway_touches)" ]; }
start_sway() {
    mkdir -p "$wl_run" "$wl_home"
    chown -R "$user":nogroup "$wl_run" "$wl_home"
    chmod 0700 "$wl_run"
    seatd -u "$user" -g nogroup -l error >"$work/seatd.log" 2>&1 &
    wl_pids+=($!)
    wait_for 50 test -S /run/seatd.sock || bad "[wayland] seatd did not start: $(cat "$work/seatd.log")"
    printf '%s\n' "output HEADLESS-1 resolution 1280x720 position 0 0" \
        "output HEADLESS-2 resolution 1280x720 position 1280 0" >"$work/sway.config"
    setpriv --reuid="$user" --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$wl_home" XDG_RUNTIME_DIR="$wl_run" \
        WLR_BACKENDS=headless,libinput WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 \
        LIBSEAT_BACKEND=seatd sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
    wl_pids+=($!)
    sway_up() { compgen -G "$wl_run/sway-ipc.*.sock" >/dev/null; }
    if ! wait_for 300 sway_up; then
        bad "[wayland] sway did not start: $(last_lines 5 "$work/sway.log")"
        return 1
    fi
    wl_socket=$(compgen -G "$wl_run/sway-ipc.*.sock")
    local display
    display=$(basename "$(compgen -G "$wl_run/wayland-*[0-9]" | head -n 1)")
    wl_session=(setpriv --reuid="$user" --regid=nogroup --clear-groups
        env -i PATH=/usr/bin:/bin HOME="$wl_home" XDG_RUNTIME_DIR="$wl_run"
        SWAYSOCK="$wl_socket" WAYLAND_DISPLAY="$display")
    ok "[wayland] sway runs as $user on headless outputs with libinput"
}

# Each window of the program as "output|name|fullscreen|focused", one a line.
sway_windows() {
    in_sway swaymsg -t get_tree | jq -r '.. | objects | select(.type? == "output") | .name as $output
        | .. | objects | select(.pid? != null)
        | "\($output)|\(.name)|\(.fullscreen_mode)|\(.focused)"'
}
has_window() { sway_windows | grep -qxF "$1"; }
has_window_named() { sway_windows | grep -q "|$1|"; }
no_window_named() { ! has_window_named "$1"; }
press() { in_sway wtype "$@"; }
alt_f4() { press -M alt -s 300 -k F4 -s 300 -m alt; }
wl_config=$work/wayland-config
# Starts t860util in the session on Qt's Wayland platform; its pid in $wl_util.
start_util() {
    "${wl_session[@]}" XDG_CONFIG_HOME="$wl_config" QT_QPA_PLATFORM=wayland "$user_util" "$@" \
        >>"$work/wayland-util.out" 2>&1 &
    wl_util=$!
}
stop_util() {
    wait_for 150 gone "$wl_util" || kill "$wl_util" 2>/dev/null
    wait "$wl_util" 2>/dev/null
}

# The main window on the second output: Esc opens the touch test full screen
# there with the keyboard, and Alt+F4 closes it and only it.
sway_touch_test_checks() {
    in_sway swaymsg focus output HEADLESS-2 >/dev/null
    start_util
    local main="HEADLESS-2|BFT860 TouchScreen Utilities|0|true"
    if ! wait_for 100 has_window "$main"; then
        bad "[wayland] the main window is not on the second output with the keyboard: $(sway_windows | tr '\n' ' ')"
        kill "$wl_util"
        stop_util
        return
    fi
    # Esc opens the test once the program has found the controller, which
    # the desktop does not show: pressed until the test is there.
    local tries=30
    until has_window_named XTest || [ "$tries" -eq 0 ]; do
        press -k Escape
        wait_for 25 has_window_named XTest
        tries=$((tries - 1))
    done
    if wait_for 100 has_window "HEADLESS-2|XTest|1|true"; then
        ok "[wayland] Esc opens the touch test full screen on the second output, with the keyboard"
    else
        bad "[wayland] the touch test is not full screen on the second output with the keyboard: $(sway_windows | tr '\n' ' ')"
    fi
    alt_f4
    if wait_for 100 no_window_named XTest && has_window "$main"; then
        ok "[wayland] Alt+F4 closes the touch test, and the main window has the keyboard again"
    else
        bad "[wayland] after Alt+F4: $(sway_windows | tr '\n' ' ')"
    fi
    # Closed as the desktop closes a window, so that the program ends as it would.
    in_sway swaymsg kill >/dev/null
    stop_util
}

wl_accuracy=$wl_config/Brightfold/T860/LastAccuracy.json
wl_has_verdict() { jq -e '.mapping.verdict' "$wl_accuracy" >/dev/null 2>&1; }

# play_in_sway LABEL: the technician plays the accuracy test ("/accuracy",
# where sway puts a new window: the first output, given the focus; a touch
# beyond the window may have moved it); the verdict and advice in $verdict,
# $orientation, $advice.
play_in_sway() {
    verdict= orientation= advice=
    rm -f "$wl_accuracy"
    in_sway swaymsg focus output HEADLESS-1 >/dev/null
    start_util /accuracy
    if ! wait_for 100 has_window "HEADLESS-1|Accuracy Test|1|true"; then
        bad "[wayland] $1: the accuracy test is not full screen on the first output: $(sway_windows | tr '\n' ' ')"
        kill "$wl_util"
        stop_util
        return 1
    fi
    echo "technician 9 500" >&8
    if wait_for 300 wl_has_verdict; then
        read_mapping "$wl_accuracy"
    else
        bad "[wayland] $1: the technician's run left no result: $(last_lines 5 "$work/wayland-util.out")"
    fi
    alt_f4
    stop_util
    [ -n "$verdict" ]
}

# What the program measured, for a verdict not the one expected.
show_accuracy() {
    jq -c '{mapping: (.mapping | {verdict, targetsWithEvents, fit, fitResidualPx}),
        targets: [.targets[] | {target, mean, desktop}]}' "$wl_accuracy"
    tail -n 5 "$work/wayland-util.out"
}

# run_sway_advice LABEL: every swaymsg line of the advice, run as pasted
# into a shell, as the session's user.
run_sway_advice() {
    local fixes fix
    fixes=$(grep '^swaymsg ' <<<"$advice")
    if [ -z "$fixes" ]; then
        bad "[wayland] $1: the advice holds no swaymsg command: $advice"
        return 1
    fi
    while IFS= read -r fix; do
        check "[wayland] $1: the advice's command: $fix" in_sway sh -c "$fix" </dev/null
    done <<<"$fixes"
}

# Sway maps a touchscreen over the whole desktop until told otherwise; the
# program sees that and prints the swaymsg commands that fix it.
sway_mapping_checks() {
    play_in_sway default-mapping || return
    if [ "$verdict" = "whole desktop" ]; then
        ok "[wayland] sway's default mapping over both outputs is judged \"whole desktop\""
    else
        bad "[wayland] sway's default mapping was judged \"$verdict\", not \"whole desktop\""
        show_accuracy
        return
    fi
    run_sway_advice "default mapping" || return
    play_in_sway advised-mapping || return
    [ "$verdict" = "correct" ] &&
        ok "[wayland] after the advised commands the mapping is judged \"correct\"" ||
        { bad "[wayland] after the advised commands the mapping was judged \"$verdict\"" && show_accuracy; }
}

# The touchscreen turned by a calibration matrix from udev, as an installer's
# rules file sets it (sway keeps the output it was mapped to for the same
# identifier when the controller comes back). The program must see the turn,
# and the swaymsg commands it prints must put it right.
sway_rotation_rule=/run/udev/rules.d/99-t860-sway-rotation.rules
sway_turn="0 -1 1 1 0 0"
sway_has_turn() {
    in_sway swaymsg -t get_inputs |
        jq -e --arg turn "$sway_turn" 'any(.[]; .type == "touch"
            and ((.libinput.calibration_matrix // []) | map(tostring) | join(" ")) == $turn)' >/dev/null
}
sway_rotation_checks() {
    replug_with_matrix "$sway_rotation_rule" "$sway_turn" "[wayland]" || return
    if ! wait_for 150 sway_has_turn; then
        bad "[wayland] rotation: sway's touchscreen has not the udev matrix: $(in_sway swaymsg -t get_inputs | jq -c '[.[] | select(.type == "touch") | .libinput]')"
        return
    fi
    ok "[wayland] rotation: sway's libinput reads the udev matrix $sway_turn"
    play_in_sway udev-rotation || return
    if [ "$verdict" = "rotated or mirrored" ] && [[ "$orientation" == rotated* ]]; then
        ok "[wayland] rotation: the udev matrix is judged \"$verdict\", $orientation"
    else
        bad "[wayland] rotation: the udev matrix was judged \"$verdict\", $orientation"
        show_accuracy
        return
    fi
    run_sway_advice rotation || return
    play_in_sway rotation-fixed || return
    [ "$verdict" = "correct" ] &&
        ok "[wayland] rotation: after the advised commands the mapping is judged \"correct\"" ||
        { bad "[wayland] rotation: after the advised commands the mapping was judged \"$verdict\"" && show_accuracy; }
}

# The headless seat has no keyboard of its own, and one that comes with each
# wtype run races its own keys (a key pressed before the client has its
# keyboard is lost): one virtual keyboard is held for the whole session.
hold_keyboard() {
    "${wl_session[@]}" wtype -s 86400000 &
    wl_pids+=($!)
    has_keyboard() { in_sway swaymsg -t get_inputs | jq -e 'any(.[]; .type == "keyboard")' >/dev/null; }
    wait_for 100 has_keyboard || bad "[wayland] no keyboard on sway's seat: $(in_sway swaymsg -t get_inputs | jq -c '[.[] | .type]')"
}

wayland_checks() {
    local fifo=$work/wayland-uhid.in
    rm -f "$fifo" && mkfifo "$fifo"
    exec 8<>"$fifo"
    uhid_input=$fifo plug_controller separate || return
    echo still >&8
    udevadm control --ping 2>/dev/null || /lib/systemd/systemd-udevd --daemon
    udevadm trigger --action=add --subsystem-match=input
    udevadm settle --timeout=30
    start_sway || return

    if wait_for 300 has_touch; then
        # The program, as the session's user, reaches the controller as the
        # access rule lets a user at the seat.
        setfacl -m "u:$user:rw" /dev/hidraw*
        mkdir -p "$wl_config" && chown "$user":nogroup "$wl_config"
        hold_keyboard
        # Before anything maps the touchscreen: sway's default first.
        timed sway_mapping_checks
        local identifier name
        while IFS=$'\t' read -r identifier name; do
            # As the advice writes it: decimal ids, blanks in the name as underscores.
            [ "$identifier" = "12154:6:${name// /_}" ] &&
                ok "[wayland] sway lists the touchscreen \"$name\" as $identifier" ||
                bad "[wayland] sway's identifier $identifier is not 12154:6:${name// /_}"
            # The advice's command for it, run as pasted into a shell.
            check "[wayland] sway takes swaymsg 'input $identifier map_to_output HEADLESS-1'" \
                in_sway sh -c "swaymsg 'input $identifier map_to_output HEADLESS-1'" </dev/null
        done <<<"$(sway_touches)"
        # On the first output now, whatever the default mapping's checks did.
        timed sway_rotation_checks
        rm -f "$sway_rotation_rule"
        timed sway_touch_test_checks
    else
        bad "[wayland] sway lists no touchscreen: $(in_sway swaymsg -t get_inputs | jq -c '[.[] | .identifier]')"
    fi

    local pid
    for pid in "${wl_pids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    unplug_controller
    exec 8>&-
}

timed wayland_checks
