#!/usr/bin/env bash
# Sets up and builds Velmora on Debian 12, then starts it.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}"
mkdir -p "$VELMORA_ROOT/build"
configure_and_build "$VELMORA_ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: starting Velmora on Qt's offscreen platform (the Art-Net node still works)."
    export QT_QPA_PLATFORM=offscreen
fi
exec "$VELMORA_ROOT/build/release/src/Velmora" "$@"
