# The controller under sway, sourced by guest-checks.sh after its other
# checks, and run there: sway on its headless backend with two outputs takes
# the controller's touches from the kernel through libinput (a seat from
# seatd), and t860util runs its accuracy test on Qt's Wayland platform while
# the virtual technician touches the targets through the kernel. Sway maps a
# touchscreen over both outputs unless told otherwise: the test must say so,
# and the swaymsg command it prints must make the next run correct.

wl_run=$work/wayland-run
wl_home=$work/wayland-home
wl_result=$wl_home/.config/Brightfold/T860/LastAccuracy.json
wl_pids=()

# Runs a command as the user, in sway's session; with wl_exec=exec in place
# of the shell, so that a background one's $! is the command's own process.
in_sway() {
    ${wl_exec:-} setpriv --reuid="$user" --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$wl_home" XDG_CONFIG_HOME="$wl_home/.config" \
        XDG_RUNTIME_DIR="$wl_run" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$wl_socket" "$@"
}
# "identifier<TAB>name" of each touch device sway has.
sway_touches() {
    in_sway swaymsg -t get_inputs | jq -r '.[] | select(.type == "touch") | "\(.identifier)\t\(.name)"'
}
has_touch() { [ -n "$(sway_touches)" ]; }
# The output on which the program (its process id) shows its accuracy test
# full screen.
accuracy_window() {
    in_sway swaymsg -t get_tree | jq -r --argjson pid "$1" '.. | objects
        | select(.type? == "output") | .name as $o | .. | objects
        | select(.pid? == $pid and .name? == "Accuracy Test" and .fullscreen_mode? == 1) | $o'
}
accuracy_shown() { [ -n "$(accuracy_window "$1")" ]; }
result_is() { [ -f "$wl_result" ] && [ "$(jq -r .mapping.verdict "$wl_result")" = "$1" ]; }
result_written() { [ -f "$wl_result" ]; }

# One accuracy run: the program alone on its test window, the technician's
# nine touches, the verdict.
accuracy_run() {
    local name=$1 util_pid
    rm -f "$wl_result"
    # The system gets the touches as multi-touch contacts.
    "$ctl" report-mode 0x0020 >/dev/null || bad "[wayland] $name: t860ctl report-mode 0x0020"
    (wl_exec=exec in_sway env QT_QPA_PLATFORM=wayland "$user_util" /accuracy) \
        >"$work/wayland-$name.log" 2>&1 &
    util_pid=$!
    if ! wait_for 300 accuracy_shown "$util_pid"; then
        bad "[wayland] $name: no full-screen accuracy test: $(tail -n 5 "$work/wayland-$name.log")"
        kill "$util_pid" 2>/dev/null
        return 1
    fi
    echo technician >&8
    wait_for 600 result_written ||
        bad "[wayland] $name: the run did not finish: $(tail -n 5 "$work/wayland-$name.log")"
    # Esc leaves the test as a technician would: the program gives the
    # controller its report mode back and ends.
    in_sway wtype -k Escape
    wait_for 100 ended "$util_pid" || kill "$util_pid" 2>/dev/null
    wait "$util_pid" 2>/dev/null
    [ -f "$wl_result" ]
}
ended() { ! kill -0 "$1" 2>/dev/null; }

# The first line of the advice that starts with the command.
advice_line() { jq -r '.mapping.advice // ""' "$wl_result" | grep -m 1 "^$1 "; }
# The run's verdict and advice, with the program's last words, as the next
# expect reads them.
outcome() {
    out="$(jq -r '"\(.mapping.verdict): \(.mapping.advice // "")"' "$wl_result")
$(jq -c '{mapping: .mapping | del(.advice), summary}' "$wl_result")
$(tail -n 5 "$work/wayland-$1.log")"
}
# Runs the fix exactly as printed, as the user in sway's session.
apply_fix() {
    if [ -z "$1" ]; then
        bad "[wayland] no swaymsg line to apply"
        return 1
    fi
    check "[wayland] the printed fix: $1" in_sway sh -c "$1"
}

start_sway() {
    mkdir -p "$wl_run" "$wl_home/.config"
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
        bad "[wayland] sway did not start: $(tail -n 5 "$work/sway.log")"
        return 1
    fi
    wl_socket=$(compgen -G "$wl_run/sway-ipc.*.sock")
    ok "[wayland] sway runs as $user on headless outputs with libinput"
}

wayland_checks() {
    local fifo=$work/wayland-uhid.in
    rm -f "$fifo" && mkfifo "$fifo"
    exec 8<>"$fifo"
    uhid_input=$fifo plug_controller separate || return
    echo still >&8
    udevadm control --ping 2>/dev/null || /lib/systemd/systemd-udevd --daemon
    udevadm trigger --action=add --subsystem-match=input --subsystem-match=hidraw
    udevadm settle --timeout=30
    setfacl -m "u:$user:rw" /dev/hidraw*
    start_sway || return

    local identifier name identifiers=
    if wait_for 300 has_touch; then
        while IFS=$'\t' read -r identifier name; do
            # As the advice writes it: decimal ids, blanks in the name as underscores.
            [ "$identifier" = "12154:6:${name// /_}" ] &&
                ok "[wayland] sway lists the touchscreen \"$name\" as $identifier" ||
                bad "[wayland] sway's identifier $identifier is not 12154:6:${name// /_}"
            identifiers="$identifiers${identifiers:+|}$identifier"
        done <<<"$(sway_touches)"
    else
        bad "[wayland] sway lists no touchscreen: $(in_sway swaymsg -t get_inputs | jq -c '[.[] | .identifier]')"
    fi

    if accuracy_run whole; then
        outcome whole
        expect "[wayland] over both outputs the verdict is the whole desktop" "^whole desktop"
        expect "[wayland] the advice maps one of sway's touchscreens with swaymsg" \
            "swaymsg 'input ($identifiers) map_to_output HEADLESS-"
        apply_fix "$(advice_line swaymsg)" && accuracy_run mapped && {
            outcome mapped
            expect "[wayland] with the printed fix the mapping is correct" "^correct"
        }
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
