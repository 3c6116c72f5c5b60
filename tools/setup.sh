# Shared by run.sh and test.sh: installs missing Debian packages, then configures and builds.
# Source it; it defines quillet_setup BUILD_DIR [extra cmake args...].

QUILLET_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev qt6-qpa-plugins
    libmpv-dev libtag1-dev
    ffmpeg mpv sox xvfb xauth x11-utils trayer openbox e2fsprogs python3-mutagen libxcb1-dev
    shared-mime-info desktop-file-utils xdg-utils
    dbus-daemon dbus-bin playerctl libglib2.0-bin appstream
)

quillet_install_packages() {
    local missing=()
    local pkg
    for pkg in "${QUILLET_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

quillet_build() {
    local build_dir=$1
    shift
    cmake -S "$QUILLET_ROOT" -B "$build_dir" -G Ninja "$@" >/dev/null
    cmake --build "$build_dir"
}
