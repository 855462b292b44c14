#!/usr/bin/env bash
# Draws the screenshots in docs/ from a build, on a private X server (Xvfb) as a user sees the
# window: two senders in label mode, one in LCD mode, two in label mode of which one went quiet.
#   bash scripts/screenshots.sh [BUILD_DIR]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build="${1:-$VELMORA_ROOT/build/release}"
install_packages xvfb
if [ ! -x "$build/tools/velmora-screenshot" ]; then
    install_packages "${BUILD_PACKAGES[@]}"
    configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
store="$(mktemp -d)"
xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb"; rm -rf "$store"' EXIT
mkdir -p "$store/runtime" && chmod 700 "$store/runtime"
# -displayfd: Xvfb picks a free display number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$store/display" 2>"$store/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$store/display" ] && break; sleep 0.1; done
[ -s "$store/display" ] || { echo "Xvfb did not start:"; cat "$store/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$store/display")" QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$store/config" XDG_RUNTIME_DIR="$store/runtime"
mkdir -p "$VELMORA_ROOT/docs"
"$build/tools/velmora-screenshot" --senders 2 "$VELMORA_ROOT/docs/two-senders-label.png"
"$build/tools/velmora-screenshot" --senders 1 --lcd "$VELMORA_ROOT/docs/one-sender-lcd.png"
"$build/tools/velmora-screenshot" --senders 2 --quiet 2 "$VELMORA_ROOT/docs/quiet-sender.png"
echo "wrote docs/two-senders-label.png, docs/one-sender-lcd.png and docs/quiet-sender.png"

# The settings dialog: a playable cue, a missing file and two cues sharing a start time, drawn on
# a private Xvfb, so that the colours are those the X server shows in the style Velmora runs with.
install_packages xvfb
if [ ! -x "$build/tools/velmora-settings-screenshot" ]; then
    cmake --build "$build" --target velmora-settings-screenshot
fi
bash "$VELMORA_ROOT/scripts/with-xvfb.sh" "$build/tools/velmora-settings-screenshot" \
    "$VELMORA_ROOT/docs/settings-dialog.png"
echo "wrote docs/settings-dialog.png"
# The open context menu and the About window: menus are windows of their own, so these come from
# the screen of a private X server (Xvfb on a display number of its own choosing).
if [ ! -x "$build/tools/velmora-menu-screenshot" ]; then
    configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
install_packages xvfb
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$store/display" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$store"' EXIT
for _ in $(seq 200); do
    [ -s "$store/display" ] && break
    sleep 0.1
done
DISPLAY=":$(cat "$store/display")" QT_QPA_PLATFORM=xcb "$build/tools/velmora-menu-screenshot" \
    --menu "$VELMORA_ROOT/docs/context-menu.png" --about "$VELMORA_ROOT/docs/about-window.png"
echo "wrote docs/context-menu.png and docs/about-window.png"
