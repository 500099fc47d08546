#!/usr/bin/env bash
# The kernel stage: boots Debian's own kernel under QEMU with this machine's
# root shared read-only into the guest, plugs the virtual controller into
# that kernel through uhid, and runs the unchanged program, t860ctl and the
# hidraw backend's tests against the real /dev/hidraw nodes there. The host's
# own kernel has no uhid, hence the virtual machine.
#
#   scripts/kernel-stage.sh BUILD_DIR
#
# BUILD_DIR holds the binaries to test (a normal build of the project); the
# kernel package and the guest's boot files are kept in BUILD_DIR/kernel-stage
# so that a second run downloads nothing.
#
# T860_QEMU_ACCEL=tcg|kvm chooses QEMU's accelerator. The default is the TCG
# emulator: on the nested virtual machines we build on, KVM is present but
# boots and runs the guest far slower than TCG (see docs/KERNEL-STAGE.md).
# T860_STAGE_TIMEOUT (seconds, default 900) ends a guest that hangs: the
# checks take about 4 to 8 minutes, longer on a loaded machine.
# T860_STAGE_CHECKS names another script for the guest to run (for trying
# something out inside the guest by hand).
set -euo pipefail
PATH=$PATH:/usr/sbin:/sbin  # modinfo, for a user whose PATH has no sbin

fail() {
    echo "kernel stage: FAILED: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: $0 BUILD_DIR"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$1" && pwd) || fail "no build folder $1"
stage="$build/kernel-stage"
accel=${T860_QEMU_ACCEL:-tcg}
timeout_s=${T860_STAGE_TIMEOUT:-900}
mkdir -p "$stage"

source_dir=$(cd "$here/.." && pwd)
# The guest puts its own /tmp and /var/tmp over the host's: a source or build
# folder there is shared on its own and mounted again at its place.
extra_shares=()
extra_mounts=
for dir in "$source_dir" "$build"; do
    [ "$dir" = "$build" ] && [ "${build#"$source_dir"/}" != "$build" ] && continue  # seen inside the source
    case "$dir" in
    /tmp/* | /var/tmp/*)
        tag=extra${#extra_shares[@]}
        extra_shares+=(-fsdev "local,id=$tag,path=$dir,security_model=none,readonly=on,multidevs=remap"
            -device "virtio-9p-pci,fsdev=$tag,mount_tag=$tag")
        extra_mounts="$extra_mounts $tag:$dir"
        ;;
    /run/* | /dev/* | /proc/* | /sys/*) fail "the guest has its own $dir; use a folder elsewhere" ;;
    esac
done
case "$build$here" in
*[[:space:]]*) fail "the guest takes its paths from a plain list; $build or $here has a space" ;;
esac
for tool in qemu-system-x86_64 busybox cpio modinfo dpkg-deb apt-get; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -x "$build/t860ctl/t860ctl" ] || fail "$build has no t860ctl: build the project first"

# --- The kernel: Debian's linux-image-amd64 names the versioned package that
# holds the files. Fetched once, unpacked into the build folder, never
# installed on this machine.
kernel_package_name() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n 1
}
kernel_pkg=$(kernel_package_name)
if [ -z "$kernel_pkg" ] && ! ls "$stage"/linux-image-*.deb >/dev/null 2>&1; then
    # A new machine whose package lists were never read: read them once.
    echo "== Kernel stage: reading the package lists"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q >/dev/null 2>&1 || true
    kernel_pkg=$(kernel_package_name)
fi
if [ -z "$kernel_pkg" ]; then
    # No package lists: the kernel fetched before, if there is one.
    deb=$(ls "$stage"/linux-image-*.deb 2>/dev/null | head -n 1 || true)
    [ -n "$deb" ] || fail "apt knows no linux-image-amd64 (run apt-get update)"
else
    deb=$(ls "$stage/${kernel_pkg}"_*.deb 2>/dev/null | head -n 1 || true)
fi
if [ -z "$deb" ]; then
    echo "== Kernel stage: fetching $kernel_pkg"
    rm -f "$stage"/linux-image-*.deb  # an older kernel's
    (cd "$stage" && apt-get download -q "$kernel_pkg" 2>&1 | { grep -v 'unsandboxed' || true; }) ||
        fail "apt-get download $kernel_pkg failed"
    deb=$(ls "$stage/${kernel_pkg}"_*.deb 2>/dev/null | head -n 1 || true)
    [ -n "$deb" ] || fail "apt-get download $kernel_pkg gave no package"
fi
linux="$stage/linux"
if [ ! -f "$linux/.unpacked-$(basename "$deb")" ]; then
    rm -rf "$linux"
    dpkg-deb -x "$deb" "$linux" || fail "cannot unpack $deb"
    touch "$linux/.unpacked-$(basename "$deb")"
fi
vmlinuz=$(ls "$linux"/boot/vmlinuz-* | head -n 1)
release=${vmlinuz##*/vmlinuz-}
moddir="$linux/lib/modules/$release"

# --- The initramfs: busybox, the modules that reach the shared root (with
# the modules they depend on, in load order), and the init that mounts it.
declare -A module_path=()
while IFS= read -r ko; do
    name=${ko##*/}
    name=${name%.ko}
    module_path[${name//-/_}]=$ko
done < <(find "$moddir/kernel" -name '*.ko')

ordered=()
declare -A added=()
add_module() {
    local name=${1//-/_} dep
    [ -n "${added[$name]:-}" ] && return
    local ko=${module_path[$name]:-}
    if [ -z "$ko" ]; then
        grep -q "/${1}.ko\$\|/${name}.ko\$" "$moddir/modules.builtin" && return
        fail "module $1 is neither in $kernel_pkg nor built in"
    fi
    for dep in $(modinfo -F depends "$ko" | tr ',' ' '); do
        add_module "$dep"
    done
    added[$name]=1
    ordered+=("$ko")
}
# hidraw has no module of its own: with HID as a module it is built into hid.
# evdev and hid-multitouch: the kernel's input devices made of the touches.
for module in virtio_pci 9pnet_virtio 9p hid hid-generic uhid evdev hid-multitouch; do
    add_module "$module"
done

initrd="$stage/initramfs"
rm -rf "$initrd"
mkdir -p "$initrd"/{bin,modules,dev,proc,sys,newroot}
cp "$(command -v busybox)" "$initrd/bin/busybox"
ln -s busybox "$initrd/bin/sh"
: >"$initrd/modules/order"
for ko in "${ordered[@]}"; do
    cp "$ko" "$initrd/modules/"
    echo "$(basename "$ko")" >>"$initrd/modules/order"
done
cp "$here/kernel-stage/init" "$initrd/init"
chmod +x "$initrd/init"
cat >"$initrd/stage.conf" <<EOF
T860_GUEST_SCRIPT=${T860_STAGE_CHECKS:-$here/kernel-stage/guest-checks.sh}
T860_BUILD=$build
T860_SOURCE=$source_dir
T860_EXTRA_MOUNTS="$extra_mounts"
EOF
(cd "$initrd" && find . | cpio -o -H newc --quiet | gzip -1) >"$stage/initramfs.cpio.gz"

# --- Boot.
accel_args=()
case "$accel" in
tcg) accel_args=(-accel "tcg,thread=multi" -cpu max) ;;
kvm)
    [ -r /dev/kvm ] && [ -w /dev/kvm ] || fail "T860_QEMU_ACCEL=kvm but /dev/kvm cannot be used"
    accel_args=(-accel kvm)
    ;;
*) fail "T860_QEMU_ACCEL must be tcg or kvm, not $accel" ;;
esac

log="$stage/console.log"
# QEMU writes the console over an old file without emptying it: an earlier
# run's lines past the new run's end, its result line among them, would read
# as this run's.
rm -f "$log"
echo "== Kernel stage: Debian kernel $release under QEMU ($accel), console in $log"
started=$(date +%s)
set +e
timeout --kill-after=10 "$timeout_s" qemu-system-x86_64 \
    "${accel_args[@]}" -smp 2 -m 1536 \
    -display none -no-reboot -monitor none -serial "file:$log" \
    -kernel "$vmlinuz" -initrd "$stage/initramfs.cpio.gz" \
    -append "console=ttyS0 panic=-1 quiet loglevel=4" \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    "${extra_shares[@]}" \
    -nic none 2>"$stage/qemu.err"
qemu_status=$?
set -e
elapsed=$(($(date +%s) - started))

if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
    grep -a '^T860' "$log" || true
    tail -n 30 "$log" >&2
    echo >&2
    [ -s "$log" ] || fail "the guest printed nothing within ${timeout_s}s ($accel): $(tr '\n' ' ' <"$stage/qemu.err")"
    fail "the guest did not finish within ${timeout_s}s"
fi
[ -s "$log" ] || fail "QEMU did not start (exit $qemu_status): $(tr '\n' ' ' <"$stage/qemu.err")"
# The guest's check lines, without the kernel's messages around them.
grep -a '^T860' "$log" || true
if grep -aq '^T860-STAGE-RESULT: PASS' "$log"; then
    echo "== Kernel stage passed in ${elapsed}s"
    exit 0
fi
grep -aq '^T860-STAGE-RESULT:' "$log" || { tail -n 40 "$log" >&2; echo >&2; }
fail "the guest reported no pass (QEMU exit $qemu_status, ${elapsed}s); see $log"
