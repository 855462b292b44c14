# Shared by the set-up, run and test scripts: installs what is missing and builds.
set -euo pipefail

VELMORA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo > /dev/null; then
        sudo "$@"
    else
        # A fresh Debian installed without a desktop has no sudo: say what to do instead of
        # "sudo: command not found".
        echo "== packages are missing and this user cannot install them: run this script as root once" >&2
        return 1
    fi
}

# Installs the Debian packages given that are not installed yet; runs apt-get only when needed.
install_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        as_root apt-get update -q
        as_root apt-get install -y -q "${missing[@]}"
    fi
}

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libsndfile1-dev libpulse-dev libltc-dev
                qt6-qpa-plugins fonts-dejavu-core)
# dpkg-shlibdeps, which computes the Debian package's dependencies, comes with dpkg-dev; CPack
# reads the program's kind with file before it packs it, and stops without it.
PACKAGE_PACKAGES=(dpkg-dev file)
# What the screenshot tools need beyond the build: the private X server they draw on.
SCREENSHOT_PACKAGES=(xvfb)
TEST_PACKAGES=(clang clang-format libclang-rt-14-dev tshark pulseaudio pulseaudio-utils iproute2 util-linux
               "${PACKAGE_PACKAGES[@]}" "${SCREENSHOT_PACKAGES[@]}" lintian appstream desktop-file-utils
               binutils-mingw-w64-x86-64 python3 tesseract-ocr)

# configure_and_build BUILD_DIR [cmake arguments...]
configure_and_build() {
    local dir="$1"
    shift
    cmake -S "$VELMORA_ROOT" -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1 || {
        cat "$dir.configure.log"
        return 1
    }
    cmake --build "$dir" -j "$(nproc)"
}
