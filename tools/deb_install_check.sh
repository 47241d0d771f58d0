#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it on this machine
# with apt-get, runs the installed program, and removes it again with
# apt-get purge, checking that nothing of it is left. For a throwaway or test
# machine: it needs root (or sudo) and refuses to run when a veilcraft
# package is installed already.
#
#   tools/deb_install_check.sh [BUILD]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
as_root() { "${sudo_cmd[@]}" "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

if dpkg-query -W -f='${Status}' veilcraft 2>/dev/null | grep -q installed; then
  fail "a veilcraft package is installed already; this check would remove it"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/veilcraft-deb-check.XXXXXXXXXX")
trap 'rm -rf "$work"' EXIT
# apt reads the package as its own unprivileged user.
chmod 755 "$work"

step "building the package"
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack"; }
package=$(find "$work/package" -maxdepth 1 -name 'veilcraft_*.deb')
[ -f "$package" ] || fail "cpack made no package"
chmod 755 "$work/package"
echo "$(basename "$package"): $(dpkg-deb -f "$package" Depends)"

step "apt-get install ./$(basename "$package")"
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package" | tail -n 3
mapfile -t files < <(dpkg -L veilcraft | while read -r path; do [ -d "$path" ] || echo "$path"; done)
echo "installed ${#files[@]} files"
grep -q 'application/x-vkffile' /usr/share/mime/globs2 || fail "the MIME cache does not know .vkf files"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
  grep -q 'application/x-vkffile=.*example.veilcraft.Veilcraft.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop cache does not open .vkf files with Veilcraft"
fi

step "the installed program, as a user with a home of its own"
home=$work/home
mkdir -p "$home" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime"
          VEILCRAFT_PASSWORD=deb-check QT_QPA_PLATFORM=offscreen)
command -v veilcraft VeilcraftApp
man -w veilcraft VeilcraftApp
mkdir -p "$home/letters"
printf 'first letter\n' >"$home/letters/a.txt"
head -c 200000 /dev/urandom >"$home/letters/b.bin"
"${user_env[@]}" veilcraft encrypt --archive "$home/letters.vkf" "$home/letters/a.txt" "$home/letters/b.bin"
"${user_env[@]}" veilcraft list "$home/letters.vkf"
"${user_env[@]}" veilcraft decrypt "$home/letters.vkf"
cmp "$home/letters/a.txt" "$home/letters/letters/a.txt"
cmp "$home/letters/b.bin" "$home/letters/letters/b.bin"
echo "round trip through /usr/bin/veilcraft: the files came back unchanged"
"${user_env[@]}" VEILCRAFT_SPLASH_TICKS=0 VEILCRAFT_STARTUP_PROBE=1 VeilcraftApp | grep '^shown ' >/dev/null ||
  fail "VeilcraftApp did not start"
[ ! -e "$home/.local/share/applications" ] || fail "the installed VeilcraftApp wrote desktop files into the home"
echo "VeilcraftApp started; it wrote no desktop files into the home"

step "apt-get purge veilcraft"
as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q veilcraft | tail -n 2
if dpkg-query -W -f='${Status}' veilcraft 2>/dev/null | grep -q 'installed\|config-files'; then
  fail "dpkg still knows the package"
fi
left=0
for file in "${files[@]}"; do
  if [ -e "$file" ]; then echo "left behind: $file"; left=1; fi
done
for folder in /usr/lib/veilcraft /usr/share/veilcraft /usr/share/doc/veilcraft; do
  if [ -e "$folder" ]; then echo "left behind: $folder"; left=1; fi
done
if grep -q 'application/x-vkffile' /usr/share/mime/globs2; then echo "left behind: .vkf in the MIME cache"; left=1; fi
if grep -qs 'example.veilcraft.Veilcraft' /usr/share/applications/mimeinfo.cache; then
  echo "left behind: the entry in the desktop cache"; left=1
fi
[ "$left" -eq 0 ] || fail "the purge left files behind"
echo "nothing of the package is left"
