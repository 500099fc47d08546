#!/usr/bin/env bash
# Builds a Release of the utility and starts it on the virtual controller;
# further arguments go to the program, for example: ./run.sh /vendorid 1234
# Without a display the program runs on Qt's offscreen platform, saves a
# picture of the main window once connected, and prints what it shows.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DT860_BUILD_TESTS=OFF
program=build/release/T860Util/t860util
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    screenshot=build/screenshot-main.png
    echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set):"
    echo "running on the offscreen platform and saving a screenshot instead."
    rm -f "$screenshot"
    QT_QPA_PLATFORM=offscreen "$program" /simulate /screenshot "$screenshot" "$@"
    if [[ -f "$screenshot" ]]; then
        echo "Screenshot of the main window: $(pwd)/$screenshot"
    else
        echo "No screenshot was saved." >&2
        exit 1
    fi
else
    exec "$program" /simulate "$@"
fi
