# The controller under sway, sourced by guest-checks.sh after its other
# checks, and run there: sway on its headless backend with two outputs takes
# the controller's touch devices from the kernel through libinput (a seat
# from seatd), lists each with the identifier that the program's mapping
# advice writes for it, and takes the advice's swaymsg command for it. The
# virtual technician then plays t860util's accuracy test (Qt's wayland
# platform) through kernel, libinput and sway: sway's default mapping over
# both outputs is judged "whole desktop", and the swaymsg command the program
# advises makes it "correct".

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

wl_accuracy=$work/wconfig/Brightfold/T860/LastAccuracy.json
wl_verdict() { jq -e '.mapping.verdict' "$wl_accuracy" >/dev/null 2>&1; }
accuracy_shown() {
    in_sway swaymsg -t get_tree |
        jq -e '[.. | objects | select(.name? == "Accuracy Test" and .fullscreen_mode == 1)] | length > 0' \
            >/dev/null
}

# sway_play_accuracy LABEL: as desktop-checks.sh's play_accuracy, in sway.
# The program runs as root (it needs the controller's hidraw node) as a
# client of the user's sway.
sway_play_accuracy() {
    local pid display
    verdict= advice=
    rm -f "$wl_accuracy"
    display=$(compgen -G "$wl_run/wayland-*" | grep -v '\.lock$' | head -n 1)
    WAYLAND_DISPLAY=$display SWAYSOCK=$wl_socket QT_QPA_PLATFORM=wayland \
        XDG_CONFIG_HOME=$work/wconfig "$util" /accuracy >"$work/sway-accuracy-$1.out" 2>&1 &
    pid=$!
    if ! wait_for 300 accuracy_shown; then
        bad "[wayland] $1: no full-screen accuracy test: $(tail -n 5 "$work/sway-accuracy-$1.out")"
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        return 1
    fi
    echo "technician 9 500" >&8
    if wait_for 300 wl_verdict; then
        verdict=$(jq -r '.mapping.verdict' "$wl_accuracy")
        advice=$(jq -r '.mapping.advice' "$wl_accuracy")
    else
        bad "[wayland] $1: the technician's run left no result: $(tail -n 5 "$work/sway-accuracy-$1.out")"
    fi
    in_sway swaymsg '[title="Accuracy Test"] kill' >/dev/null
    wait_for 100 gone "$pid" || kill "$pid"
    wait "$pid" 2>/dev/null
    [ -n "$verdict" ]
}

sway_accuracy_checks() {
    sway_play_accuracy default-mapping || return
    if [ "$verdict" = "whole desktop" ]; then
        ok "[wayland] sway's default mapping over both outputs is judged \"whole desktop\""
    else
        bad "[wayland] sway's default mapping was judged \"$verdict\", not \"whole desktop\""
        return
    fi
    local fix
    fix=$(grep -m 1 '^swaymsg ' <<<"$advice")
    if [ -z "$fix" ]; then
        bad "[wayland] the advice holds no swaymsg command: $advice"
        return
    fi
    check "[wayland] the advice's command: $fix" in_sway sh -c "$fix" </dev/null
    sway_play_accuracy advised-mapping || return
    [ "$verdict" = "correct" ] &&
        ok "[wayland] after the advised command the mapping is judged \"correct\"" ||
        bad "[wayland] after the advised command the mapping was judged \"$verdict\": $(jq -c '.mapping' "$wl_accuracy")"
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
        done <<<"$(sway_touches)"
        sway_accuracy_checks
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
