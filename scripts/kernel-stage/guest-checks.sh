#!/bin/bash
set -euo pipefail
echo "T860 probe: $(ls /sys/class/hidraw 2>&1) $(ls -la /dev/uhid)"
ls $T860_BUILD | head -3
