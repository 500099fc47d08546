#!/bin/bash
# The checks of the kernel stage, run as root inside the guest on the host's
# read-only root (scripts/kernel-stage/init starts it). T860_BUILD is the build
# folder under test, T860_SOURCE the source tree. Every check prints one
# "T860 ok" or "T860 FAIL" line; the script exits non-zero when any failed.
set -uo pipefail

build=$T860_BUILD
source=$T860_SOURCE
ctl=$build/t860ctl/t860ctl
uhid=$build/t860-uhid/t860-uhid
util=$build/T860Util/t860util
hidtests=$build/tests/platform/hid/platform_hid_tests
work=/tmp/stage
user=nobody
failures=0
mkdir -p "$work" "$HOME"
chmod 1777 "$work"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/root/runtime
# udevd and udevadm refuse to act in a chroot unless told to.
export SYSTEMD_IGNORE_CHROOT=1
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"

ok() { echo "T860 ok: $*"; }
bad() {
    echo "T860 FAIL: $*"
    failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: the command must succeed; its output is kept
# in $out and shown when it does not.
check() {
    local what=$1 started=$SECONDS
    shift
    if out=$("$@" 2>&1); then
        ok "$what ($((SECONDS - started)) s)"
    else
        bad "$what (exit $?, $((SECONDS - started)) s)"
        printf '%s\n' "$out" | tail -n 15
    fi
}
# check_exit STATUS DESCRIPTION COMMAND...: the command must end with that
# exit status; its output is kept in $out.
check_exit() {
    local status=$1 what=$2
    shift 2
    out=$("$@" 2>&1)
    local got=$?
    [ "$got" -eq "$status" ] && ok "$what" || bad "$what: exit $got, not $status"
}
# expect DESCRIPTION PATTERN: the last check's output holds the pattern.
expect() {
    if grep -qE -- "$2" <<<"$out"; then
        ok "$1"
    else
        bad "$1: no '$2' in:"
        printf '%s\n' "$out" | tail -n 15
    fi
}
# ran_tests DESCRIPTION: the last check ran GoogleTest cases and skipped none
# (they skip where no controller is in the kernel).
ran_tests() {
    if grep -q 'PASSED' <<<"$out" && ! grep -q 'SKIPPED' <<<"$out"; then
        ok "$1"
    else
        bad "$1: $(grep -E 'PASSED|SKIPPED|FAILED' <<<"$out" | tr '\n' ' ')"
    fi
}
# The programs as the unprivileged user runs them: copies it can reach even
# where the build lies in a folder only its owner may enter.
user_bin=$work/bin
mkdir -p "$user_bin"
cp "$ctl" "$util" "$user_bin/"
chmod -R a+rX "$user_bin"
user_ctl=$user_bin/t860ctl
user_util=$user_bin/t860util
# Runs a command as the unprivileged user, with a home of its own.
as_user() {
    setpriv --reuid="$user" --regid=nogroup --clear-groups \
        env HOME="$work/home-$user" XDG_CONFIG_HOME="$work/home-$user/.config" \
        QT_QPA_PLATFORM=offscreen "$@"
}
# last_lines N FILE: a file's last lines on one line, for a "T860" line (the
# host shows only those from the guest's console).
last_lines() { tail -n "$1" "$2" | paste -sd '|'; }
wait_for() {
    local tries=$1
    shift
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.2
    done
}
node_count() { ls /sys/class/hidraw 2>/dev/null | wc -l; }
nodes_are() { [ "$(node_count)" -eq "$1" ]; }
plug_count() { grep -cx plugged "$work/uhid.out"; }
plugged_since() { [ "$(plug_count)" -gt "$1" ]; }

uhid_pid=
plug_controller() {
    local topology=$1
    # Commands come from uhid_input when it names a file (a FIFO), else none.
    "$uhid" --topology="$topology" <"${uhid_input:-/dev/null}" >"$work/uhid.out" 2>"$work/uhid.err" &
    uhid_pid=$!
    local expected=6
    [ "$topology" = single ] && expected=1
    if wait_for 100 nodes_are "$expected" && wait_for 50 plugged_since 0; then
        ok "t860-uhid --topology=$topology: $(node_count) hidraw node(s)"
        return 0
    fi
    bad "t860-uhid --topology=$topology made $(node_count) hidraw nodes: $(cat "$work/uhid.err")"
    return 1
}
unplug_controller() {
    kill -TERM "$uhid_pid" 2>/dev/null
    wait "$uhid_pid"
    local status=$?
    [ "$status" -eq 0 ] || bad "t860-uhid ended with exit $status: $(cat "$work/uhid.err")"
    wait_for 50 nodes_are 0 || bad "the hidraw nodes stayed after t860-uhid ended"
}
# read_mapping FILE: an accuracy result file's mapping verdict, orientation
# and advice into $verdict, $orientation and $advice.
read_mapping() {
    verdict=$(jq -r '.mapping.verdict' "$1")
    orientation=$(jq -r '.mapping.orientation' "$1")
    advice=$(jq -r '.mapping.advice' "$1")
}
# replug_with_matrix RULE_FILE MATRIX LABEL: a udev rule gives the controller's
# touchscreen that calibration matrix, as an installer's rules file does, and
# the controller is plugged in again: libinput reads the matrix when a device
# appears.
replug_with_matrix() {
    mkdir -p "$(dirname "$1")"
    cat >"$1" <<RULE
ACTION=="add|change", SUBSYSTEM=="input", KERNEL=="event*", ENV{ID_INPUT_TOUCHSCREEN}=="1", ATTRS{id/vendor}=="2f7a", ENV{LIBINPUT_CALIBRATION_MATRIX}="$2"
RULE
    udevadm control --reload
    local plugs
    plugs=$(plug_count)
    kill -USR1 "$uhid_pid"
    if ! wait_for 100 plugged_since "$plugs" || ! wait_for 50 nodes_are 6; then
        bad "$3 rotation: the controller did not come back: $(node_count) nodes"
        return 1
    fi
    udevadm settle --timeout=30
    setfacl -m "u:$user:rw" /dev/hidraw*
}
first_node() { echo "/dev/$(ls /sys/class/hidraw | head -n 1)"; }

for module in hid hid_generic uhid evdev hid_multitouch; do
    [ -d "/sys/module/$module" ] || bad "module $module is not loaded"
done
[ -c /dev/uhid ] || bad "no /dev/uhid"

# --- The hidraw backend, t860ctl and the program, in each topology.
controller_checks() {
    local topology=$1
    T860_KERNEL_UHID=$topology check "[$topology] hidraw backend tests on the kernel's nodes" \
        "$hidtests" --gtest_filter='HidrawKernelTest.*' --gtest_brief=1
    ran_tests "[$topology] the kernel tests ran, none skipped"

    check "[$topology] t860ctl info" "$ctl" info
    expect "[$topology] info: connected with the controller's serial number" \
        "Serial Number: 86012345"
    check "[$topology] t860ctl report-mode 0x0022" "$ctl" report-mode 0x0022
    check "[$topology] t860ctl report-mode reads the change" "$ctl" report-mode
    expect "[$topology] report mode is 0x0022" "Report Mode: 0x0022"
    check "[$topology] t860ctl log-packets" "$ctl" log-packets "$work/packets.log" --seconds 1
    expect "[$topology] log-packets logged the controller's touch packets" "Packets: [1-9]"
    check "[$topology] t860ctl report-mode back to 0x0020" "$ctl" report-mode 0x0020
    check "[$topology] t860ctl input-mode 1" "$ctl" input-mode 1
    check "[$topology] t860ctl input-mode reads the change" "$ctl" input-mode
    expect "[$topology] input mode is 1" "Input Mode: 0x01"
    check "[$topology] t860ctl input-mode back to 2" "$ctl" input-mode 2
    check "[$topology] t860ctl settings dump --channel 0" "$ctl" settings dump --channel 0
    expect "[$topology] channel 0's settings" "Channel 0: [0-9]+ settings"
    check "[$topology] t860ctl settings dump --channel 6" "$ctl" settings dump --channel 6
    expect "[$topology] channel 6's settings" "Channel 6: [0-9]+ settings"
    check "[$topology] t860ctl settings save" "$ctl" settings save "$work/settings.json"
    sed '/"BaudRate"/s/115200/57600/' "$work/settings.json" >"$work/changed.json"
    check "[$topology] t860ctl settings load of a changed file" "$ctl" settings load "$work/changed.json"
    expect "[$topology] load changed exactly the one setting" "Changed: 1"
    check "[$topology] t860ctl settings save after the load" "$ctl" settings save "$work/again.json"
    if grep '"BaudRate"' "$work/again.json" | grep -q 57600; then
        ok "[$topology] the controller kept the loaded value"
    else
        bad "[$topology] the loaded value is not in the controller's settings"
    fi
    check "[$topology] t860ctl settings load of the original" "$ctl" settings load "$work/settings.json"
    check "[$topology] t860ctl scope 49" "$ctl" scope 49
    expect "[$topology] scope: a camera's pixel profile" "Scope channel 49: [0-9]+ pixels"

    check "[$topology] t860util /screenshot" timeout 60 "$util" /screenshot "$work/main.png"
    expect "[$topology] t860util shows Connected" "^Connected"
    expect "[$topology] t860util's information label" "86012345"
    [ -s "$work/main.png" ] && ok "[$topology] screenshot saved" || bad "[$topology] no screenshot"
}

# Unplug and re-plug through the kernel: the program's windows notice, find
# the controller again on their next search and the settings view still
# edits (a test of the program's own); t860ctl finds it again too.
replug_checks() {
    T860_KERNEL_UHID=separate T860_UHID_PID=$uhid_pid check \
        "re-plug: the program reconnects within its retry time, the settings view edits" \
        "$build/tests/T860Util/kernel_reconnect_tests" --gtest_brief=1
    ran_tests "re-plug: the program's test ran, not skipped"
    expect "re-plug: time to reconnect" "reconnected [0-9]+ ms"
    grep -o 'reconnected [0-9]* ms after the re-plug' <<<"$out" | sed 's/^/T860 note: /'
    check "re-plug: t860ctl info" "$ctl" info
    expect "re-plug: t860ctl finds the controller again" "Connection: Connected"
    local plugs
    plugs=$(plug_count)
    kill -USR1 "$uhid_pid"
    if wait_for 100 plugged_since "$plugs" && wait_for 50 nodes_are 6; then
        ok "re-plug: the kernel dropped and made the nodes again"
    else
        bad "re-plug: $(node_count) nodes after SIGUSR1"
    fi
    check "re-plug: t860ctl settings load still edits" "$ctl" settings load "$work/changed.json"
    expect "re-plug: the edit took" "Changed: 1"
    check "re-plug: t860ctl settings load of the original" "$ctl" settings load "$work/settings.json"
}

# Nodes only root may open: the program and t860ctl say which node and why;
# then the project's udev rule, applied by udevd, gives the user access.
access_checks() {
    local node
    node=$(first_node)
    chmod 0600 /dev/hidraw*
    check_exit 3 "access denied: t860ctl info says no controller" as_user "$user_ctl" info
    expect "access denied: t860ctl names the node and why" "$node.* cannot be opened: permission denied"
    expect "access denied: t860ctl gives the udev rule to install" "70-t860.rules"
    # Without access the program waits for a controller that never answers:
    # its trace is all this needs.
    as_user "$user_util" /screenshot "$work/denied.png" >"$work/denied-util.out" 2>&1 &
    local util_pid=$!
    wait_for 100 grep -q "Access denied" "$work/denied-util.out"
    kill "$util_pid" 2>/dev/null
    wait "$util_pid" 2>/dev/null
    out=$(cat "$work/denied-util.out")
    expect "access denied: t860util's WARNING line names the node" \
        "WARNING.*Access denied to the controller at $node"
    doctor_checks denied

    mkdir -p /run/udev/rules.d
    cp "$source/packaging/70-t860.rules" /run/udev/rules.d/
    # The seat manager that turns the uaccess tag into an access list for the
    # user at the seat does not run here: this rule plays its part for our user.
    cat >/run/udev/rules.d/73-t860-stage-seat.rules <<EOF
SUBSYSTEM=="hidraw", TAG=="uaccess", RUN+="/usr/bin/setfacl -m u:$user:rw \$devnode"
EOF
    local udevd=/lib/systemd/systemd-udevd
    if ! "$udevd" --daemon 2>"$work/udevd.err"; then
        bad "udevd did not start: $(cat "$work/udevd.err")"
        return
    fi
    udevadm trigger --action=add --subsystem-match=hidraw
    udevadm settle --timeout=30
    if udevadm info --query=property --name="$node" | grep -q '^CURRENT_TAGS=.*:uaccess:'; then
        ok "udev rule: udevd tagged $node uaccess"
    else
        bad "udev rule: $node is not tagged uaccess: $(udevadm info --name="$node" | tr '\n' ' ')"
    fi
    if getfacl -p "$node" 2>/dev/null | grep -q "^user:$user:rw"; then
        ok "udev rule: $user has an access list entry on $node"
    else
        bad "udev rule: no access for $user on $node: $(getfacl -p "$node" 2>&1 | tr '\n' ' ')"
    fi
    check "udev rule: t860ctl info as $user" as_user "$user_ctl" info
    expect "udev rule: $user reaches the controller" "Serial Number: 86012345"
    doctor_checks granted
    udevadm control --exit
}

# t860ctl doctor as root, and as the user before and after the rule.
doctor_checks() {
    case $1 in
    root)
        check "doctor as root" "$ctl" doctor
        expect "doctor as root: the nodes and their collections" "\[ok\] Controller nodes"
        expect "doctor as root: the controller answers" "\[ok\] Controller answers"
        check "doctor --json as root" "$ctl" --json doctor
        expect "doctor --json as root: the controller answers" '"controllerAnswers": true'
        ;;
    denied)
        check_exit 3 "doctor as $user without access: no answer" as_user "$user_ctl" doctor
        expect "doctor names the node that refuses $user" "\[failed\].*$(first_node)"
        expect "doctor gives the udev rule as the fix" "fix: .*70-t860.rules"
        ;;
    granted)
        check "doctor as $user after the rule" as_user "$user_ctl" doctor
        expect "doctor as $user: the rule is installed and its access list applies" \
            "\[ok\] udev rule: installed as /run/udev/rules.d/70-t860.rules.*access list"
        expect "doctor as $user: the controller answers" "\[ok\] Controller answers"
        ;;
    esac
}

# Each topic's checks live in a file of their own.
. "$source/scripts/kernel-stage/input-checks.sh"
. "$source/scripts/kernel-stage/desktop-checks.sh"

# timed NAME COMMAND...: runs a group of checks and says how long it took.
timed() {
    local started=$SECONDS status
    "$@"
    status=$?
    echo "T860 time: $* $((SECONDS - started)) s"
    return $status
}

for topology in separate single; do
    if timed plug_controller "$topology"; then
        timed controller_checks "$topology"
        if [ "$topology" = separate ]; then
            timed replug_checks
            timed doctor_checks root
            timed access_checks
            . "$source/scripts/kernel-stage/health-checks.sh" && timed health_checks
        fi
        timed unplug_controller
    fi
done
timed input_checks
timed desktop_checks
. "$source/scripts/kernel-stage/wayland-checks.sh"

echo "T860 guest: $failures check(s) failed, checks took $SECONDS s"
[ "$failures" -eq 0 ]
