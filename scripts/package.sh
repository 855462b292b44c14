#!/usr/bin/env bash
# Builds the Debian package from a Release build: build/package/velmora_VERSION_ARCH.deb. Its
# dependencies are read off the program's shared libraries by dpkg-shlibdeps.
#   bash scripts/package.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
build="$VELMORA_ROOT/build/package"
mkdir -p "$build"
# The flags Debian builds its own packages with, hardening included (stack protector, fortified
# calls, read-only relocations bound at start). CMake does not read CPPFLAGS, so they join CXXFLAGS.
eval "$(cd "$VELMORA_ROOT" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB > "$build/cpack.log" 2>&1) || {
    cat "$build/cpack.log"
    exit 1
}
ls "$build"/velmora_*.deb
