# The controller's touches on a real X server, sourced by guest-checks.sh:
# desktop_checks starts udevd (libinput takes only input devices that udevd
# has initialised), plugs its own controller, starts Xorg with the dummy
# video driver and two outputs side by side, checks that libinput gives the X
# server the controller as a direct touch device, opens t860util's accuracy
# test on the first output, and has the virtual technician play it through
# kernel, libinput, Xorg and Qt: X's default mapping over both outputs is
# judged "whole desktop", and the xinput command the program advises makes it
# "correct".

desktop_display=:1
desktop_touchscreen="BFT860 virtual controller"

x_up() { DISPLAY=$desktop_display xrandr >/dev/null 2>&1; }
window_of() { DISPLAY=$desktop_display xdotool search --name "$1" 2>/dev/null | head -n 1; }
window_up() { [ -n "$(window_of "$1")" ]; }
gone() { ! kill -0 "$1" 2>/dev/null; }

# The accuracy test opens full screen on the output under the pointer, covers
# that output alone, and Alt+F4 closes it (and with it the program).
accuracy_window_checks() {
    local pid window got
    DISPLAY=$desktop_display xdotool mousemove 200 200
    DISPLAY=$desktop_display QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/xconfig \
        "$util" /accuracy >"$work/accuracy.out" 2>&1 &
    pid=$!
    if ! wait_for 300 window_up "Accuracy Test"; then
        bad "[desktop] no accuracy test window: $(tail -n 5 "$work/accuracy.out")"
        kill "$pid" 2>/dev/null
        return
    fi
    window=$(window_of "Accuracy Test")
    got=$(DISPLAY=$desktop_display xdotool getwindowgeometry "$window" | tr -s ' \n' ' ')
    if grep -q "Position: 0,0 .*Geometry: 1024x768" <<<"$got"; then
        ok "[desktop] the accuracy test covers the first output"
    else
        bad "[desktop] the accuracy test window is at $got, not on the first output"
    fi
    DISPLAY=$desktop_display xdotool key --window "$window" alt+F4 2>/dev/null
    if wait_for 100 gone "$pid"; then
        ok "[desktop] Alt+F4 closes the accuracy test"
    else
        bad "[desktop] the accuracy test stayed open after Alt+F4"
        kill "$pid"
    fi
    wait "$pid" 2>/dev/null
}

last_accuracy=$work/xconfig/Brightfold/T860/LastAccuracy.json
has_verdict() { jq -e '.mapping.verdict' "$last_accuracy" >/dev/null 2>&1; }

# play_accuracy LABEL: opens the accuracy test, lets the technician touch the
# nine targets, closes the test once its result is kept, and leaves the
# mapping's verdict and advice in $verdict and $advice.
play_accuracy() {
    local pid window
    verdict= advice=
    rm -f "$last_accuracy"
    DISPLAY=$desktop_display xdotool mousemove 200 200
    DISPLAY=$desktop_display QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/xconfig \
        "$util" /accuracy >"$work/accuracy-$1.out" 2>&1 &
    pid=$!
    if ! wait_for 300 window_up "Accuracy Test"; then
        bad "[desktop] $1: no accuracy test window: $(tail -n 5 "$work/accuracy-$1.out")"
        kill "$pid" 2>/dev/null
        return 1
    fi
    echo "technician 9 500" >&8
    if wait_for 300 has_verdict; then
        verdict=$(jq -r '.mapping.verdict' "$last_accuracy")
        advice=$(jq -r '.mapping.advice' "$last_accuracy")
    else
        bad "[desktop] $1: the technician's run left no result: $(tail -n 5 "$work/accuracy-$1.out")"
    fi
    window=$(window_of "Accuracy Test")
    DISPLAY=$desktop_display xdotool key --window "$window" alt+F4 2>/dev/null
    wait_for 100 gone "$pid" || kill "$pid"
    wait "$pid" 2>/dev/null
    [ -n "$verdict" ]
}

# X maps a touchscreen over the whole desktop until told otherwise; the
# program sees that and advises the xinput command that fixes it.
accuracy_mapping_checks() {
    play_accuracy default-mapping || return
    if [ "$verdict" = "whole desktop" ]; then
        ok "[desktop] X's default mapping over both outputs is judged \"whole desktop\""
    else
        bad "[desktop] X's default mapping was judged \"$verdict\", not \"whole desktop\""
        return
    fi
    local fix
    fix=$(grep -m 1 '^xinput ' <<<"$advice")
    if [ -z "$fix" ]; then
        bad "[desktop] the advice holds no xinput command: $advice"
        return
    fi
    # Run as pasted into a shell.
    check "[desktop] the advice's command: $fix" env DISPLAY=$desktop_display sh -c "$fix"
    play_accuracy advised-mapping || return
    [ "$verdict" = "correct" ] &&
        ok "[desktop] after the advised command the mapping is judged \"correct\"" ||
        bad "[desktop] after the advised command the mapping was judged \"$verdict\": $(jq -c '.mapping' "$last_accuracy")"
}

desktop_checks() {
    local fifo=$work/uhid-desktop.in
    /lib/systemd/systemd-udevd --daemon 2>"$work/udevd.err" ||
        { bad "[desktop] udevd did not start: $(cat "$work/udevd.err")"; return; }
    rm -f "$fifo" && mkfifo "$fifo"
    exec 8<>"$fifo"
    uhid_input=$fifo plug_controller separate || return
    echo still >&8
    udevadm trigger --action=add --subsystem-match=input
    udevadm settle --timeout=30

    cat >"$work/xorg.conf" <<CONF
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 2048 768
    EndSubSection
EndSection
Section "InputClass"
    Identifier "touchscreens"
    MatchIsTouchscreen "on"
    Driver "libinput"
EndSection
CONF
    Xorg "$desktop_display" -config "$work/xorg.conf" -logfile "$work/Xorg.log" -nolisten tcp \
        -noreset vt7 -novtswitch >"$work/Xorg.out" 2>&1 &
    local x_pid=$!
    if ! wait_for 150 x_up; then
        bad "[desktop] Xorg did not start: $(grep -E '\(EE\)' "$work/Xorg.log" | tr '\n' ' ')"
        kill "$x_pid" 2>/dev/null
        unplug_controller
        return
    fi
    ok "[desktop] Xorg with the dummy driver is up"
    check "[desktop] xrandr: a second output right of the first" env DISPLAY=$desktop_display \
        sh -c "xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0"
    check "[desktop] xinput list --long \"$desktop_touchscreen\"" env DISPLAY=$desktop_display \
        xinput list --long "$desktop_touchscreen"
    expect "[desktop] libinput makes the controller a direct touch device" "Touch mode: direct"

    accuracy_window_checks
    accuracy_mapping_checks

    kill "$x_pid" 2>/dev/null
    wait "$x_pid" 2>/dev/null
    unplug_controller
    exec 8>&-
    udevadm control --exit
}
