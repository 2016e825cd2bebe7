# shellcheck shell=bash
# Shared by the scripts in this folder: installs what is missing and builds a preset.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The package lists are read by the scripts that source this file.
# shellcheck disable=SC2034
BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev libgtest-dev
                libgmock-dev libbenchmark-dev libcli11-dev fonts-dejavu-core fonts-liberation2
                iproute2)
# The controller firmware's cross-compiler and C library, and the AVR simulator its tests run it in.
# shellcheck disable=SC2034
FIRMWARE_PACKAGES=(gcc-avr binutils-avr avr-libc simavr libsimavr-dev libelf-dev)
# shellcheck disable=SC2034
CHECK_PACKAGES=(clang-format shellcheck)

# Installs the Debian packages that are not installed yet; needs root when any are missing.
# APT_INSTALL_OPTIONS may add options to the install, such as --no-install-recommends.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=() options=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  read -r -a options <<<"${APT_INSTALL_OPTIONS:-}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
    "${options[@]}" "${missing[@]}" >/dev/null
}

# Configures and builds one CMake preset, with as many jobs as there are cores.
build_preset() {
  local preset="$1"
  shift
  # Presets are read from the working directory.
  (cd "$ROOT" && cmake --preset "$preset" >/dev/null &&
    cmake --build --preset "$preset" -j "$(nproc)" "$@")
}
