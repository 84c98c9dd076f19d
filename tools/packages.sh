# Sourced by ./run and ./test: installs the Debian packages that are missing, and only those.

# Building and running the program.
VERZINO_RUN_PACKAGES=(cmake g++ make pkgconf libpcre2-dev qt6-base-dev qt6-translations-l10n fonts-urw-base35 libx11-dev)
# Everything ./test needs on top: fuzzing, the X server and tools for end-to-end tests,
# validators for the desktop files and the Debian package.
VERZINO_TEST_PACKAGES=(clang libclang-rt-14-dev xvfb xdotool xclip x11-utils x11-apps x11-xkb-utils
    imagemagick desktop-file-utils appstream dpkg-dev file
    lintian man-db shared-mime-info libglib2.0-bin xdg-utils weston qt6-wayland
    time groff-base)

verzino_missing_packages() {
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
            echo "$pkg"
        fi
    done
}

verzino_ensure_packages() {
    local missing
    mapfile -t missing < <(verzino_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}
