# The controller's touches as the kernel's input layer gives them, sourced by
# guest-checks.sh: input_checks plugs its own controller (separate topology),
# reads which driver made which input device, and for each input mode has
# the virtual technician touch the accuracy test's nine targets while evtest
# records the events of the device that form goes to. The held positions must
# be the targets' own, in the controller's 0..32767 range.

# The nine targets at 10, 50 and 90 % each way, row by row, in device units.
input_targets="3277,3277 16384,3277 29490,3277 3277,16384 16384,16384 29490,16384"
input_targets="$input_targets 3277,29490 16384,29490 29490,29490"

# input_device BYTES: "eventN driver" of the controller's input device whose
# HID device's report descriptor begins with BYTES (hexadecimal, no spaces).
input_device() {
    local path event hid
    awk -v RS= '/Vendor=2f7a/ {
            sysfs = ""; event = ""
            n = split($0, line, "\n")
            for (i = 1; i <= n; i++) {
                if (line[i] ~ /^S: Sysfs=/) sysfs = substr(line[i], 10)
                if (match(line[i], /^H: Handlers=.*event[0-9]+/)) {
                    match(line[i], /event[0-9]+/); event = substr(line[i], RSTART, RLENGTH)
                }
            }
            print sysfs, event
        }' /proc/bus/input/devices |
        while read -r path event; do
            hid=/sys${path%/input/*}
            if [ "$(od -An -tx1 -N4 "$hid/report_descriptor" | tr -d ' \n')" = "$1" ]; then
                echo "$event $(basename "$(readlink "$hid/driver")")"
                return
            fi
        done
}

# held_positions FILE BUTTON X Y: "x,y" where each touch came up, from evtest's
# lines: the last position before the button (evdev code) went to 0.
held_positions() {
    awk -v button="$2" -v xcode="$3" -v ycode="$4" '
        /^Event:/ {
            code = $0; sub(/.*code /, "", code); sub(/ .*/, "", code)
            value = $NF
            if (code == xcode) x = value
            if (code == ycode) y = value
            if (code == button && value == 0) {
                printf "%s%s,%s", sep, x, y
                sep = " "
            }
        }' "$1"
}
releases_in() { [ "$(grep -c "code $2 .*value 0\$" "$1")" -ge "$3" ]; }

# input_form NAME INPUT-MODE DESCRIPTOR DRIVER BUTTON X Y: the form that the
# feature report's input mode selects reaches the kernel through its own
# device, made by DRIVER, and its touches come up where the targets are.
input_form() {
    local name=$1 mode=$2 bytes=$3 driver=$4 button=$5 x=$6 y=$7 device event got
    check "[input] $name: t860ctl input-mode $mode" "$ctl" input-mode "$mode"
    device=$(input_device "$bytes")
    event=${device%% *}
    if [ -z "$device" ]; then
        bad "[input] $name: no input device for the collection $bytes: $(cat /proc/bus/input/devices)"
        return
    fi
    [ "${device#* }" = "$driver" ] && ok "[input] $name: $driver made /dev/input/$event" ||
        bad "[input] $name: /dev/input/$event made by ${device#* }, not $driver"
    local events=$work/events-$name
    stdbuf -oL evtest "/dev/input/$event" >"$events" 2>&1 &
    local reader=$!
    wait_for 50 grep -q '^Testing' "$events" || bad "[input] $name: evtest did not start"
    echo "technician 9 0" >&7
    wait_for 200 releases_in "$events" "$button" 9 ||
        bad "[input] $name: $(grep -c "code $button .*value 0\$" "$events") of 9 touches came up"
    kill "$reader" 2>/dev/null
    wait "$reader" 2>/dev/null
    got=$(held_positions "$events" "$button" "$x" "$y")
    if [ "$got" = "$input_targets" ]; then
        ok "[input] $name: the nine touches came up at the targets' positions"
    else
        bad "[input] $name: touches came up at \"$got\", not \"$input_targets\""
    fi
}

input_checks() {
    local fifo=$work/uhid.in
    rm -f "$fifo" && mkfifo "$fifo"
    exec 7<>"$fifo"
    uhid_input=$fifo plug_controller separate || return
    [ -d /sys/module/hid_multitouch ] && [ -d /sys/module/evdev ] ||
        bad "[input] hid_multitouch or evdev is not loaded"
    echo still >&7

    # The multi-touch driver writes input mode 2 whenever it binds: after a
    # re-plug the controller holds 2 again, whatever was set before.
    check "[input] t860ctl input-mode 0" "$ctl" input-mode 0
    local plugs
    plugs=$(plug_count)
    echo replug >&7
    wait_for 100 plugged_since "$plugs" && wait_for 50 nodes_are 6 ||
        bad "[input] the re-plug left $(node_count) nodes"
    check "[input] t860ctl input-mode after the re-plug" "$ctl" input-mode
    expect "[input] the kernel's multi-touch driver left input mode 2" "Input Mode: 0x02"

    # With "Use Feature Report Input Mode" the feature report picks the form.
    check "[input] t860ctl report-mode 0x0040" "$ctl" report-mode 0x0040
    input_form mouse 0 05010902 hid-generic 272 0 1
    input_form digitizer 1 050d0902 hid-generic 330 0 1
    input_form multitouch 2 050d0904 hid-multitouch 330 53 54
    if grep -q 'ABS_MT_TRACKING_ID), value 0$' "$work/events-multitouch" &&
        grep -q 'ABS_MT_SLOT' "$work/events-multitouch"; then
        ok "[input] multitouch: contacts come in multi-touch slots"
    else
        bad "[input] multitouch: no multi-touch slot events"
    fi
    unplug_controller
    exec 7>&-
}
