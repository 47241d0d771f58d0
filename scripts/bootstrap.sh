#!/usr/bin/env bash
# Sets up a Debian 12 machine for Veilcraft, builds it into build/, and then
# either starts the program (run) or runs the whole test suite (test).
#
#   scripts/bootstrap.sh run    install what is missing, build, start the program
#   scripts/bootstrap.sh test   install what is missing, build, run every test
#
# With CI=true compiler warnings are errors.
set -euo pipefail

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${VEILCRAFT_BUILD_DIR:-$root/build}

# Debian packages the build, the tests and the benchmarks need; clang and its
# runtime for the fuzz targets that CI builds (tests/fuzz); the icon drawing
# and the checks of the installation and the Debian package (tests/install).
packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  openssl time
  libminizip-dev zlib1g-dev libdeflate-dev zip unzip python3
  qt6-base-dev qt6-base-dev-tools libgl-dev
  clang libclang-rt-14-dev
  librsvg2-bin dpkg-dev file desktop-file-utils appstream lintian man-db groff-base bash-completion zsh
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEILCRAFT_WERROR=$werror
cmake --build "$build_dir" --parallel "$(nproc)"

if [ "$mode" = run ]; then
  exec "$build_dir/bin/VeilcraftApp" "${@:2}"
fi

ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
