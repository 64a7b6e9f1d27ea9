#!/usr/bin/env bash
# Checks what `cmake --install` and the Debian package put in place.
# Usage: scripts/check-install.sh <build folder configured with CMAKE_INSTALL_PREFIX=/usr>
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
cd "$(dirname "$0")/.."

fail() { echo "check-install: $*" >&2; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# 1. The file list of an install into a staging folder.
DESTDIR="$stage/root" cmake --install "$build" >/dev/null
actual=$(cd "$stage/root" && find . -type f -o -type l | sort)
expected=$(sort <<'LIST'
./usr/bin/quintara
./usr/bin/quintara-demo
./usr/lib/udev/rules.d/70-quintara.rules
./usr/share/applications/quintara-demo.desktop
./usr/share/applications/quintara.desktop
./usr/share/icons/hicolor/scalable/apps/quintara.svg
./usr/share/metainfo/org.orvelle.quintara.metainfo.xml
LIST
)
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") || true
  fail "the installed files differ from the expected list (- expected, + installed)"
fi

# 2. The desktop entries and the AppStream metadata.
desktop-file-validate "$stage"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net "$stage/root/usr/share/metainfo/org.orvelle.quintara.metainfo.xml" >/dev/null \
  || fail "AppStream metadata does not validate"

# 3. The Debian package.
(cd "$stage" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$stage/package" >/dev/null)
deb=$(ls "$stage"/package/quintara_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb")
grep -q '^ Package: quintara$' <<<"$info" || fail "package name is not quintara"
grep -q "^ Version: $(sed -n 's/^project(Quintara VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)\$" <<<"$info" \
  || fail "package version does not follow the project's version"
grep -q '^ Maintainer: ' <<<"$info" || fail "no maintainer"
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for runtime in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqcustomplot2.1-qt6; do
  grep -q "$runtime" <<<"$depends" || fail "Depends lacks $runtime: $depends"
done
for file in ./usr/bin/quintara ./usr/bin/quintara-demo ./usr/lib/udev/rules.d/70-quintara.rules \
            ./usr/share/applications/quintara.desktop; do
  grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -q '^./postinst$' || fail "no postinst to reload udev"
echo "check-install: install file list, desktop entries, AppStream metadata and Debian package are fine"
