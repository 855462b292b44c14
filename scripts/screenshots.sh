#!/usr/bin/env bash
# Draws the screenshots in docs/ from a build, on a private X server (Xvfb) as a user sees the
# window: two senders in label mode, one in LCD mode, two in label mode of which one went quiet.
#   bash scripts/screenshots.sh [BUILD_DIR]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build="${1:-$VELMORA_ROOT/build/release}"
# The build's packages too when the build is there: the tools draw with its fonts and Qt plugins.
install_packages "${BUILD_PACKAGES[@]}" "${SCREENSHOT_PACKAGES[@]}"
if [ ! -x "$build/tools/velmora-screenshot" ]; then
    configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
store="$(mktemp -d)"
trap 'rm -rf "$store"' EXIT
mkdir -p "$store/runtime" && chmod 700 "$store/runtime"
export XDG_CONFIG_HOME="$store/config" XDG_RUNTIME_DIR="$store/runtime"
on_xvfb() { XVFB_SCREEN="$1" bash "$VELMORA_ROOT/scripts/with-xvfb.sh" "${@:2}"; }
mkdir -p "$VELMORA_ROOT/docs"
on_xvfb 1280x800x24 "$build/tools/velmora-screenshot" --senders 2 "$VELMORA_ROOT/docs/two-senders-label.png"
on_xvfb 1280x800x24 "$build/tools/velmora-screenshot" --senders 1 --lcd "$VELMORA_ROOT/docs/one-sender-lcd.png"
on_xvfb 1280x800x24 "$build/tools/velmora-screenshot" --senders 2 --quiet 2 "$VELMORA_ROOT/docs/quiet-sender.png"
on_xvfb 1280x800x24 "$build/tools/velmora-screenshot" --senders 1 --ltc "$VELMORA_ROOT/docs/artnet-and-ltc.png"
on_xvfb 1280x800x24 "$build/tools/velmora-screenshot" --senders 2 --show --size 1280x800 "$VELMORA_ROOT/docs/show-line.png"
echo "wrote docs/two-senders-label.png, docs/one-sender-lcd.png, docs/quiet-sender.png, docs/artnet-and-ltc.png and docs/show-line.png"

# The settings dialog: a playable cue, a missing file and two cues sharing a start time, drawn on
# a private Xvfb, so that the colours are those the X server shows in the style Velmora runs with.
if [ ! -x "$build/tools/velmora-settings-screenshot" ]; then
    cmake --build "$build" --target velmora-settings-screenshot
fi
on_xvfb 1280x1024x24 "$build/tools/velmora-settings-screenshot" \
    "$VELMORA_ROOT/docs/settings-dialog.png"
echo "wrote docs/settings-dialog.png"
# The open context menu and the About window: menus are windows of their own, so these come from
# the screen of a private X server (Xvfb on a display number of its own choosing).
if [ ! -x "$build/tools/velmora-menu-screenshot" ]; then
    configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
on_xvfb 1024x768x24 "$build/tools/velmora-menu-screenshot" \
    --menu "$VELMORA_ROOT/docs/context-menu.png" --about "$VELMORA_ROOT/docs/about-window.png"
echo "wrote docs/context-menu.png and docs/about-window.png"
