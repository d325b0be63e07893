#!/usr/bin/env bash
# Installs what is needed, builds the release preset, installs the udev rule for the detectors where
# that is allowed, and starts the program. Arguments are handed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

program=build/release/app/corvane-update-utility
rule=packaging/linux/70-corvane-detectors.rules
rules_dir=/etc/udev/rules.d

bash scripts/bootstrap.sh
cmake --preset release
cmake --build --preset release

# Without the rule only root can open a detector. Installing it needs root; a normal user is told
# how, and the program starts all the same.
install_udev_rule() {
    local target
    target="$rules_dir/$(basename "$rule")"
    # No udev here (a container, say): no rule can help.
    if [ ! -d "$rules_dir" ] || cmp -s "$rule" "$target"; then
        return 0
    fi
    if [ "$(id -u)" -eq 0 ]; then
        if install -m 0644 "$rule" "$target"; then
            echo "Installed the udev rule for the detectors: $target"
            { udevadm control --reload-rules && udevadm trigger --subsystem-match=hidraw; } 2>/dev/null || true
        else
            echo "Could not install the udev rule in $rules_dir; carrying on." >&2
        fi
        return 0
    fi
    cat >&2 <<EOF
Note: to let your user open a detector without root, install the udev rule once:
    sudo install -m 0644 $rule $rules_dir/
    sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw
then reconnect the detector.
EOF
}
install_udev_rule || true

# A Qt program without a display dies with a terse platform-plugin message; say what to do instead.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<EOF
The program is built ($program), but this session has no display (neither DISPLAY nor
WAYLAND_DISPLAY is set), so its window cannot open. To start it without a screen:
    xvfb-run -a scripts/run.sh                     (a virtual X display: sudo apt-get install xvfb)
    QT_QPA_PLATFORM=offscreen scripts/run.sh       (draws nowhere; logs to standard output)
EOF
    exit 1
fi

exec "$program" "$@"
