#!/usr/bin/env bash
# Builds the Debian packages (scripts/package.sh) and checks them as Debian
# would: lintian without errors or warnings (an override needs a comment that
# gives its reason), valid AppStream metadata, every program a user runs in
# a package, the programs without Qt in a package without Qt, the systemd
# units as systemd-analyze verify reads them, and one version
# everywhere: changelog, packages, AppStream release and each --version.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# Its build's output only when it fails: a compiler error must show in CI.
if ! package_output=$(scripts/package.sh 2>&1); then
    echo "$package_output" >&2
    echo "package check: scripts/package.sh failed" >&2
    exit 1
fi
build=build/package
ctl_deb=$(ls "$build"/t860ctl_*.deb)
util_deb=$(ls "$build"/t860util_*.deb)
debs=("$ctl_deb" "$util_deb")

fail() {
    echo "package check: $*" >&2
    exit 1
}

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT

echo "== lintian"
lintian_status=0
lintian --fail-on error,warning --display-info "${debs[@]}" >"$contents.lintian" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$contents.lintian" || true
echo
rm -f "$contents.lintian"
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$contents"
done

for overrides in "$contents"/usr/share/lintian/overrides/*; do
    [ -e "$overrides" ] || continue
    # Each override line follows a comment that explains it.
    awk '/^#/ { explained = 1; next }
         /^[[:space:]]*$/ { explained = 0; next }
         !explained { print FILENAME ": no reason given for: " $0; bad = 1 }
         END { exit bad }' "$overrides" || fail "lintian override without a reason"
done

echo "== AppStream metadata"
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml ||
    fail "AppStream metadata not valid"

echo "== Programs"
for program in t860util t860ctl t860-uhid; do
    [ -x "$contents/usr/bin/$program" ] || fail "no package installs $program"
done
if dpkg-deb -f "$ctl_deb" Depends | grep -qi 'qt'; then
    fail "t860ctl depends on Qt: $(dpkg-deb -f "$ctl_deb" Depends)"
fi

echo "== systemd units"
# Verified in a copy of the unpacked packages beside the system's own units,
# so that the programs they start and the targets they name are found.
units_root=$(mktemp -d)
cp -a "$contents/." "$units_root/"
mkdir -p "$units_root/usr/lib/systemd/system"
cp -rn /lib/systemd/system/. "$units_root/usr/lib/systemd/system/"
verify_status=0
verify_output=$(systemd-analyze verify --man=no --root="$units_root" \
    /usr/lib/systemd/system/t860-health.service /usr/lib/systemd/system/t860-health.timer 2>&1) ||
    verify_status=$?
rm -rf "$units_root"
[ "$verify_status" -eq 0 ] && [ -z "$verify_output" ] ||
    fail "systemd-analyze verify: ${verify_output:-exit status $verify_status}"

echo "== Version"
version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' packaging/changelog)
[ -n "$version" ] || fail "packaging/changelog names no version"
check_version() {
    [ "$2" = "$3" ] || fail "$1 gives '$2', the changelog '$3'"
}
for deb in "${debs[@]}"; do
    check_version "$(basename "$deb")" "$(dpkg-deb -f "$deb" Version)" "$version"
done
for metainfo in "$contents"/usr/share/metainfo/*.metainfo.xml; do
    release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo")
    check_version "$(basename "$metainfo")" "$release" "$version"
done
for program in t860util t860ctl t860-uhid; do
    check_version "$program --version" "$("$contents/usr/bin/$program" --version)" \
        "$program $version"
done
echo "Packages $version checked: $(basename -a "${debs[@]}" | tr '\n' ' ')"
