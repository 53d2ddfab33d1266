#!/usr/bin/env bash
# Installs what building, running and testing Gatewarden needs on Debian 12, if it is missing.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix cmake ninja-build
    wine wine64
    xvfb xauth xdotool imagemagick x11-utils
    googletest
    fonts-wine fonts-dejavu-core
    iproute2 procps python3
    postfix
    # The help file and the packages: the CHM compiler and reader, NSIS.
    fp-utils libchm-bin nsis
    # The native fuzz build (tests/fuzz): clang with libFuzzer and the sanitizers' runtimes, the
    # symbolizer for their reports, and ccache.
    clang-14 libclang-rt-14-dev llvm-14 ccache
)
packages+=(${GW_EXTRA_PACKAGES:-})

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    # The mail tests run Postfix from a configuration of their own on a loopback port: the
    # package is installed unconfigured, so that it sets up and starts no system mail server.
    echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
