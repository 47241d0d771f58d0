#!/usr/bin/env bash
# Builds the Debian package from the build folder (cpack -G DEB) into a
# private folder and checks it: the files it holds, its computed
# dependencies and maintainer scripts, and lintian finds no error.
#
#   deb_test.sh BUILD VERSION APP_ID
set -euo pipefail

build=$1 version=$2 app_id=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/veilcraft-deb.XXXXXXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack"; }
package=$(find "$work" -maxdepth 1 -name "veilcraft_${version}_*.deb")
[ -f "$package" ] || fail "no package veilcraft_${version}_*.deb"

contents=$(dpkg-deb -c "$package" | awk '{print $6}')
for file in \
  ./usr/bin/VeilcraftApp ./usr/bin/veilcraft \
  ./usr/lib/veilcraft/libkompak.so ./usr/lib/veilcraft/libkompakpage.so \
  ./usr/share/veilcraft/help/index.html \
  "./usr/share/applications/$app_id.desktop" "./usr/share/mime/packages/$app_id.xml" \
  "./usr/share/metainfo/$app_id.metainfo.xml" "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
  "./usr/share/icons/hicolor/256x256/apps/$app_id.png" \
  ./usr/share/man/man1/veilcraft.1.gz ./usr/share/man/man1/VeilcraftApp.1.gz \
  ./usr/share/bash-completion/completions/veilcraft \
  ./usr/share/kio/servicemenus/veilcraft-encrypt.desktop \
  ./usr/share/doc/veilcraft/copyright ./usr/share/doc/veilcraft/changelog.gz; do
  grep -qxF -- "$file" <<<"$contents" || fail "the package lacks $file"
done

dpkg-deb -f "$package" Depends | grep -q 'libqt6widgets6' || fail "no computed dependency on Qt Widgets"
for script in postinst postrm; do
  dpkg-deb -I "$package" "$script" | grep -q update-mime-database || fail "$script does not refresh the MIME cache"
done

lintian --fail-on error --tag-display-limit 0 "$package"
echo "package checked: $(basename "$package")"
