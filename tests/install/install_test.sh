#!/usr/bin/env bash
# Installs the build into a private folder (DESTDIR), moves the installed
# tree elsewhere and checks it as a user meets it: the files and their
# places, the command's round trip through the zip control, the window's
# start, the desktop entry, the AppStream metadata, the manual pages and the
# shell completion -- and that nothing names or loads from the build folder.
#
#   install_test.sh BUILD SOURCE BINDIR PKGLIBDIR HELPDIR DATADIR MANDIR APP_ID
set -euo pipefail

build=$1 source=$2 bindir=$3 pkglibdir=$4 helpdir=$5 datadir=$6 mandir=$7 app_id=$8

work=$(mktemp -d "${TMPDIR:-/tmp}/veilcraft-install.XXXXXXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# Everything the programs touch lives in the test's folder.
export HOME=$work/home TMPDIR=$work/tmp VEILCRAFT_REGISTRY=$work/registry
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$work/none XDG_CONFIG_DIRS=$work/none
mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
# The tree works wherever it lies: it is used from a place that is neither
# the build folder nor the prefix it was installed for.
mv "$work/stage/usr" "$work/moved"
prefix=$work/moved

# --- the files and their places
expected=(
  "$bindir/VeilcraftApp" "$bindir/veilcraft"
  "$pkglibdir/libkompak.so" "$pkglibdir/libkompakpage.so"
  "$helpdir/index.html" "$helpdir/command-line.html" "$helpdir/style.css"
  "$datadir/applications/$app_id.desktop"
  "$datadir/mime/packages/$app_id.xml"
  "$datadir/metainfo/$app_id.metainfo.xml"
  "$datadir/icons/hicolor/scalable/apps/$app_id.svg"
  "$mandir/man1/veilcraft.1.gz" "$mandir/man1/VeilcraftApp.1.gz"
  "$datadir/bash-completion/completions/veilcraft" "$datadir/zsh/vendor-completions/_veilcraft"
  "$datadir/kio/servicemenus/veilcraft-encrypt.desktop" "$datadir/kio/servicemenus/veilcraft-decrypt.desktop"
  "$datadir/veilcraft/nautilus-scripts/Encrypt with Veilcraft"
  "$datadir/veilcraft/nautilus-scripts/Decrypt with Veilcraft"
  "$datadir/veilcraft/thunar/uca-veilcraft.xml"
  "$datadir/doc/veilcraft/copyright"
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("$datadir/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
for program in "$bindir/VeilcraftApp" "$bindir/veilcraft" "$datadir/veilcraft/nautilus-scripts/Encrypt with Veilcraft"; do
  [ -x "$prefix/$program" ] || fail "not executable: $program"
done
# Nothing on the linker's path: the control is the program's own.
if find "$prefix" -name 'lib*.so*' | grep -v "^$prefix/$pkglibdir/"; then
  fail "a library outside $pkglibdir"
fi
# The sanitizers record every object's source file by its full name, which
# no prefix map reaches; a sanitizer build is never shipped, so there only
# the files that are not programs are checked.
checked=$prefix
if [ "${VEILCRAFT_SANITIZED_BUILD:-0}" = 1 ]; then
  checked=$(find "$prefix" -type f -exec sh -c '[ "$(head -c 4 "$1" | tail -c 3)" != ELF ]' _ {} \; -print)
fi
if printf '%s\n' "$checked" | xargs -d '\n' grep -rlF -- "$source"; then
  fail "installed files name the source or build folder $source"
fi
file "$prefix/$datadir/icons/hicolor/48x48/apps/$app_id.png" | grep -q '48 x 48' || fail "the 48 pixel icon is not 48 pixels"

# --- the command: help, and a round trip through the zip control
"$prefix/$bindir/veilcraft" --help | grep -q '^Usage: veilcraft COMMAND' || fail "veilcraft --help"
mkdir -p "$work/data/letters"
printf 'first letter\n' >"$work/data/letters/a.txt"
head -c 100000 /dev/urandom >"$work/data/letters/b.bin"
export VEILCRAFT_PASSWORD=install-test
"$prefix/$bindir/veilcraft" encrypt --archive "$work/data/letters.vkf" "$work/data/letters/a.txt" "$work/data/letters/b.bin"
"$prefix/$bindir/veilcraft" decrypt "$work/data/letters.vkf"
cmp "$work/data/letters/a.txt" "$work/data/letters/letters/a.txt" || fail "a.txt differs after the round trip"
cmp "$work/data/letters/b.bin" "$work/data/letters/letters/b.bin" || fail "b.bin differs after the round trip"
# The control was registered on first use from the installed tree.
grep -qF "$prefix/$pkglibdir/libkompak.so" "$VEILCRAFT_REGISTRY" || fail "the installed control is not the registered one"
if grep -F -- "$source" "$VEILCRAFT_REGISTRY"; then fail "the registry store names the build folder"; fi

# --- the window starts, registers .vkf and leaves the desktop files to the installation
QT_QPA_PLATFORM=offscreen VEILCRAFT_SPLASH_TICKS=0 VEILCRAFT_STARTUP_PROBE=1 "$prefix/$bindir/VeilcraftApp" |
  grep -q '^shown ' || fail "VeilcraftApp did not start"
# The open command: the program and the file's place holder.
grep -qF "$prefix/$bindir/VeilcraftApp " "$VEILCRAFT_REGISTRY" || fail "VeilcraftApp did not register .vkf files"
[ ! -e "$XDG_DATA_HOME/applications" ] || fail "the installed VeilcraftApp wrote desktop files into the home folder"
[ ! -e "$XDG_DATA_HOME/mime" ] || fail "the installed VeilcraftApp wrote a MIME package into the home folder"

# --- desktop entry, MIME package, AppStream metadata
desktop-file-validate "$prefix/$datadir/applications/$app_id.desktop"
grep -qx 'MimeType=application/x-vkffile;' "$prefix/$datadir/applications/$app_id.desktop" || fail "desktop entry MIME type"
grep -q 'pattern="\*\.vkf"' "$prefix/$datadir/mime/packages/$app_id.xml" || fail "MIME package glob"
appstreamcli validate --no-net --explain "$prefix/$datadir/metainfo/$app_id.metainfo.xml"

# --- manual pages render without a warning
for page in veilcraft VeilcraftApp; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/$mandir/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# --- shell completion offers exactly the command's subcommands
listed=$("$prefix/$bindir/veilcraft" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z0-9-]*\) .*/\1/p' | sort | tr '\n' ' ')
offered=$(bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(veilcraft "") COMP_CWORD=1 COMP_LINE="veilcraft " COMP_POINT=10
  _veilcraft veilcraft "" veilcraft
  printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/$datadir/bash-completion/completions/veilcraft" |
  grep -v '^--' | sort | tr '\n' ' ')
[ "$listed" = "$offered" ] || fail "bash completion offers '$offered', veilcraft --help lists '$listed'"
zsh -n "$prefix/$datadir/zsh/vendor-completions/_veilcraft" || fail "zsh completion"

echo "installed tree checked"
