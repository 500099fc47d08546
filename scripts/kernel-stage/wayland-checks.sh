# The controller under sway, sourced by guest-checks.sh after its other
# checks, and run there: sway on its headless backend with two outputs takes
# the controller's touch devices from the kernel through libinput (a seat
# from seatd), lists each with the identifier that the program's mapping
# advice writes for it, and takes the advice's swaymsg command for it.

wl_run=$work/wayland-run
wl_home=$work/wayland-home
wl_pids=()

# Runs a command as the user, in sway's session.
in_sway() {
    setpriv --reuid="$user" --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$wl_home" XDG_RUNTIME_DIR="$wl_run" \
        SWAYSOCK="$wl_socket" "$@"
}
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
    udevadm trigger --action=add --subsystem-match=input
    udevadm settle --timeout=30
    start_sway || return

    local identifier name
    if wait_for 300 has_touch; then
        while IFS=$'\t' read -r identifier name; do
            # As the advice writes it: decimal ids, blanks in the name as underscores.
            [ "$identifier" = "12154:6:${name// /_}" ] &&
                ok "[wayland] sway lists the touchscreen \"$name\" as $identifier" ||
                bad "[wayland] sway's identifier $identifier is not 12154:6:${name// /_}"
            # The advice's command for it, run as pasted into a shell.
            check "[wayland] sway takes swaymsg 'input $identifier map_to_output HEADLESS-1'" \
                in_sway sh -c "swaymsg 'input $identifier map_to_output HEADLESS-1'" </dev/null
        done <<<"$(sway_touches)"
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
