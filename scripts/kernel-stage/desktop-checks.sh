# The controller's touches on a real X server, sourced by guest-checks.sh:
# desktop_checks starts udevd (libinput takes only input devices that udevd
# has initialised), plugs its own controller, starts Xorg with the dummy
# video driver and two outputs side by side, checks that libinput gives the X
# server the controller as a direct touch device, and has the virtual
# technician play t860util's accuracy test through kernel, libinput, Xorg and
# Qt: X's default mapping over both outputs is judged "whole desktop", and the
# xinput command the program advises makes it "correct"; a coverage run's
# strokes reach the same cells through the desktop as through the
# controller's packets; the touch test window covers the output it opens on
# and gives the controller's report mode back; and a rotation from udev's
# calibration matrix is judged so and put right by the printed xinput command.

desktop_display=:1
desktop_touchscreen="BFT860 virtual controller"
output_width=1024
output_height=768

# X clients that give up rather than hang the stage on a server that stopped
# answering.
x_client() { DISPLAY=$desktop_display timeout 20 "$@"; }
x_up() { x_client xrandr >/dev/null 2>&1; }
window_of() { x_client xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
window_up() { [ -n "$(window_of "$1")" ]; }
window_gone() { [ -z "$(window_of "$1")" ]; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# Keys as a keyboard types them (XTEST), to the window given the focus first.
# Not sent to the window (xdotool key --window): Qt takes a sent modifier's
# press into its keyboard state, and when the window goes away on the key
# (Alt+F4) the release never comes, so that every later key of that program
# carried Alt.
x_key() { x_client xdotool windowfocus --sync "$1" key "$2" 2>/dev/null; }
pointer_to() { x_client xdotool mousemove "$1" 200; }
# The program on the X server, with its own settings folder.
x_util() {
    DISPLAY=$desktop_display QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/xconfig "$util" "$@"
}
# t860-uhid's runs of the technician that played to their end.
technician_runs() { grep -cx "technician: done" "$work/uhid.out"; }
technician_done_since() { [ "$(technician_runs)" -gt "$1" ]; }

# covers_output WHAT TITLE LEFT: the window of that title lies full screen on
# the output whose left edge is LEFT, and Alt+F4 closes it.
covers_output() {
    local what=$1 title=$2 left=$3 window got
    window=$(window_of "$title")
    got=$(x_client xdotool getwindowgeometry "$window" | tr -s ' \n' ' ')
    if grep -q "Position: $left,0 .*Geometry: ${output_width}x$output_height" <<<"$got"; then
        ok "[desktop] $what covers the output at x $left"
    else
        bad "[desktop] $what is at $got, not on the output at x $left"
    fi
    x_key "$window" alt+F4
    if wait_for 100 window_gone "$title"; then
        ok "[desktop] Alt+F4 closes $what"
    else
        bad "[desktop] $what stayed open after Alt+F4"
    fi
}

last_accuracy=$work/xconfig/Brightfold/T860/LastAccuracy.json
has_verdict() { jq -e '.mapping.verdict' "$last_accuracy" >/dev/null 2>&1; }
has_coverage() { jq -e '.acceptance.coverage' "$last_accuracy" >/dev/null 2>&1; }

# open_accuracy LABEL OPTION: t860util's accuracy window (OPTION /accuracy or
# /coverage) on the first output, its pid in $accuracy_pid.
open_accuracy() {
    rm -f "$last_accuracy"
    pointer_to 200
    x_util "$2" >"$work/accuracy-$1.out" 2>&1 &
    accuracy_pid=$!
    wait_for 300 window_up "Accuracy Test" && return
    bad "[desktop] $1: no accuracy test window: $(last_lines 5 "$work/accuracy-$1.out")"
    kill "$accuracy_pid" 2>/dev/null
    return 1
}
close_accuracy() {
    local window
    window=$(window_of "Accuracy Test")
    [ -n "$window" ] && x_key "$window" alt+F4
    wait_for 100 gone "$accuracy_pid" || kill "$accuracy_pid"
    wait "$accuracy_pid" 2>/dev/null
}

# play_accuracy LABEL [covering]: opens the accuracy test, lets the technician
# touch the nine targets, closes the test once its result is kept, and leaves
# the mapping's verdict, orientation and advice in $verdict, $orientation and
# $advice. With "covering" it first checks that the window covers the first
# output, and the Alt+F4 that ends it.
play_accuracy() {
    verdict= orientation= advice=
    open_accuracy "$1" /accuracy || return 1
    echo "technician 9 500" >&8
    if wait_for 300 has_verdict; then
        read_mapping "$last_accuracy"
    else
        bad "[desktop] $1: the technician's run left no result: $(last_lines 5 "$work/accuracy-$1.out")"
    fi
    if [ "${2:-}" = covering ]; then
        covers_output "the accuracy test" "Accuracy Test" 0
    fi
    close_accuracy
    [ -n "$verdict" ]
}

# run_advice WHAT: runs the advice's first xinput command as pasted into a
# shell.
run_advice() {
    local fix
    fix=$(grep -m 1 '^xinput ' <<<"$advice")
    if [ -z "$fix" ]; then
        bad "[desktop] $1: the advice holds no xinput command: $advice"
        return 1
    fi
    check "[desktop] $1: the advice's command: $fix" env DISPLAY=$desktop_display sh -c "$fix"
}

# played_correct WHAT: plays again after a fix, which must make it "correct".
played_correct() {
    play_accuracy "$1" || return
    [ "$verdict" = "correct" ] &&
        ok "[desktop] after the advised command the mapping is judged \"correct\"" ||
        bad "[desktop] after the advised command the mapping was judged \"$verdict\": $(jq -c '.mapping' "$last_accuracy")"
}

# X maps a touchscreen over the whole desktop until told otherwise; the
# program sees that and advises the xinput command that fixes it.
accuracy_mapping_checks() {
    play_accuracy default-mapping covering || return
    if [ "$verdict" = "whole desktop" ]; then
        ok "[desktop] X's default mapping over both outputs is judged \"whole desktop\""
    else
        bad "[desktop] X's default mapping was judged \"$verdict\", not \"whole desktop\""
        return
    fi
    run_advice "whole desktop" || return
    played_correct advised-mapping
}

# A coverage run's strokes through the kernel, libinput, X and Qt: the cells
# the desktop's touch events reach are the cells the controller's own packets
# reach. The dummy's outputs are 96 dots per inch, so 768 pixels are 203 mm:
# 20 rows of cells, one stroke along the middle of each (a stroke along a
# cell border would reach either side by a hair).
coverage_rows=20
coverage_checks() {
    open_accuracy coverage /coverage || return
    local window runs
    window=$(window_of "Accuracy Test")
    runs=$(technician_runs)
    echo "strokes $coverage_rows 500" >&8
    if ! wait_for 600 technician_done_since "$runs"; then
        bad "[desktop] coverage: t860-uhid's strokes did not end: $(last_lines 3 "$work/uhid.out")"
        close_accuracy
        return
    fi
    # On to the two-finger check, and past it to the results.
    x_key "$window" Return
    x_key "$window" Return
    if ! wait_for 100 has_coverage; then
        local state="still running"
        gone "$accuracy_pid" && state="ended"
        bad "[desktop] coverage: no result kept, the program $state: $(last_lines 8 "$work/accuracy-coverage.out")"
        close_accuracy
        return
    fi
    close_accuracy
    local cells
    cells=$(jq '.acceptance.coverage | .columns * .rows' "$last_accuracy")
    jq -e '.acceptance.coverage | .cellsReached == .columns * .rows' "$last_accuracy" >/dev/null &&
        ok "[desktop] coverage: the strokes reached all $cells cells" ||
        bad "[desktop] coverage: the strokes reached $(jq '.acceptance.coverage.cellsReached' "$last_accuracy") of $cells cells"
    if jq -e '.acceptance.coverage | .desktopEvents and .desktopMissed == [] and .desktopOnly == []' \
        "$last_accuracy" >/dev/null; then
        ok "[desktop] coverage: the desktop's touch events reached the same cells as the controller's packets"
    else
        bad "[desktop] coverage: the desktop's cells differ: $(jq -c '.acceptance.coverage | {desktopEvents, desktopCellsReached, desktopMissed, desktopOnly}' "$last_accuracy")"
    fi
}

# The touch test window (Esc in the main window opens it) covers the output
# under the pointer.
touch_test_checks() {
    local pid main
    x_util >"$work/main-x.out" 2>&1 &
    pid=$!
    if ! wait_for 300 window_up "BFT860 TouchScreen Utilities"; then
        bad "[desktop] no main window: $(last_lines 5 "$work/main-x.out")"
        kill "$pid" 2>/dev/null
        return
    fi
    main=$(window_of "BFT860 TouchScreen Utilities")
    local left
    for left in 0 "$output_width"; do
        pointer_to $((left + 200))
        x_key "$main" Escape
        if wait_for 150 window_up "^XTest$"; then
            covers_output "the touch test" "^XTest$" "$left"
        else
            bad "[desktop] Esc in the main window opened no touch test: $(last_lines 5 "$work/main-x.out")"
        fi
    done
    kill "$pid"
    wait "$pid" 2>/dev/null
    # Opened at once, before anything asked the controller for its report
    # mode: the mode it gives back on closing must still be the controller's.
    expect_report_mode "after the touch test" 0x0020
}
expect_report_mode() {
    local mode
    mode=$("$ctl" report-mode 2>&1)
    [[ "$mode" == "Report Mode: $2 "* ]] &&
        ok "[desktop] the controller's report mode $1: $2" ||
        bad "[desktop] the controller's report mode $1: $mode, not $2"
}

# start_x: Xorg with the dummy driver, its second output right of the
# first, its pid in $x_pid; says what failed and returns 1 otherwise.
x_pid=
start_x() {
    Xorg "$desktop_display" -config "$work/xorg.conf" -logfile "$work/Xorg.log" -nolisten tcp \
        -noreset vt7 -novtswitch >"$work/Xorg.out" 2>&1 &
    x_pid=$!
    if ! wait_for 150 x_up; then
        bad "[desktop] Xorg did not start: $(grep -E '\(EE\)' "$work/Xorg.log" | tr '\n' ' ')"
        stop_x
        return 1
    fi
    ok "[desktop] Xorg with the dummy driver is up"
    check "[desktop] xrandr: a second output right of the first" env DISPLAY=$desktop_display \
        sh -c "xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0"
}
stop_x() {
    kill "$x_pid" 2>/dev/null
    wait "$x_pid" 2>/dev/null
}

# The touchscreen turned by a calibration matrix from udev, as an installer's
# rules file sets it. The controller is plugged in again for libinput to read
# the matrix, with the X server stopped meanwhile: an X server that sees its
# input devices go and come back stopped answering in this guest now and
# then. Mapped to the first output as the check before left it, the program
# must see the turn, and the xinput command it prints must put it right.
x_rotation_rule=/run/udev/rules.d/99-t860-x-rotation.rules
x_turn="-1 0 1 0 -1 1"
x_has_turn() {
    local values
    values=$(x_client xinput list-props "$desktop_touchscreen" |
        sed -n 's/^[[:space:]]*libinput Calibration Matrix ([0-9]*):[[:space:]]*//p')
    [ "$(awk -F', ' '{ for (i = 1; i <= 6; i++) printf "%s%g", (i > 1 ? " " : ""), $i }' <<<"$values")" = "$x_turn" ]
}
x_rotation_checks() {
    stop_x
    replug_with_matrix "$x_rotation_rule" "$x_turn" "[desktop]" || return
    start_x || return
    if ! x_has_turn; then
        bad "[desktop] rotation: X's touchscreen has not the udev matrix: $(x_client xinput list-props "$desktop_touchscreen" | grep 'Calibration Matrix (')"
        return
    fi
    ok "[desktop] rotation: X's libinput reads the udev matrix $x_turn"
    check "[desktop] rotation: xinput map-to-output '$desktop_touchscreen' DUMMY0" \
        env DISPLAY=$desktop_display xinput map-to-output "$desktop_touchscreen" DUMMY0 || return
    play_accuracy udev-rotation || return
    if [ "$verdict" = "rotated or mirrored" ] && [[ "$orientation" == rotated* ]]; then
        ok "[desktop] rotation: the udev matrix is judged \"$verdict\", $orientation"
    else
        bad "[desktop] rotation: the udev matrix was judged \"$verdict\", $orientation: $(jq -c '.mapping' "$last_accuracy")"
        return
    fi
    run_advice rotation || return
    played_correct rotation-fixed
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
    if ! start_x; then
        unplug_controller
        return
    fi
    check "[desktop] xinput list --long \"$desktop_touchscreen\"" env DISPLAY=$desktop_display \
        xinput list --long "$desktop_touchscreen"
    expect "[desktop] libinput makes the controller a direct touch device" "Touch mode: direct"

    accuracy_mapping_checks
    timed coverage_checks
    timed touch_test_checks
    # Last: it leaves the controller turned.
    timed x_rotation_checks
    rm -f "$x_rotation_rule"
    udevadm control --reload

    stop_x
    unplug_controller
    exec 8>&-
    udevadm control --exit
}
