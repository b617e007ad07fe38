#!/bin/sh
# The Debian package: built from this build, checked by lintian (no
# errors), its file list, and unpacked into a throwaway root: the installed
# tool runs and names the product's version, the installed plug-in loads in
# the test host and in Ardour's scanner, and the installation entry points
# Help at the pages the package holds.
# Usage: deb-test.sh SOURCE BUILD HOST_TEST
set -eu
source=$1 build=$2 host_test=$3
package=$("$source/packaging/linux/make-deb" "$build" "$build/packages-test")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

errors=$(lintian --no-tag-display-limit "$package" 2>/dev/null | grep '^E:' || true)
[ -z "$errors" ] || fail "lintian reports errors:
$errors"

files=$(dpkg-deb -c "$package" | awk '{print $6}')
for expected in ./usr/bin/kestrava ./usr/lib/vst/Sonalve.so ./usr/share/man/man1/kestrava.1.gz \
    ./usr/share/doc/kestrava-sonalve/copyright ./usr/share/doc/kestrava-sonalve/changelog.gz \
    ./usr/share/doc/kestrava-sonalve/help/index.html ./etc/xdg/kestrava-sonalve/installation.ini \
    ./usr/share/icons/hicolor/256x256/apps/kestrava-sonalve.png ./usr/bin/calibrix \
    ./usr/share/applications/calibrix.desktop ./usr/lib/lv2/sonalve.lv2/manifest.ttl \
    ./usr/lib/lv2/sonalve.lv2/sonalve.ttl ./usr/lib/lv2/sonalve.lv2/sonalve.so \
    ./usr/lib/lv2/sonalve.lv2/sonalve_ui.so; do
    printf '%s\n' "$files" | grep -qxF "$expected" || fail "the package lacks $expected"
done
depends=$(dpkg-deb -f "$package" Depends)
for needed in libc6 libjack libqt6widgets6 zenity xdg-utils; do
    case $depends in *"$needed"*) ;; *) fail "Depends lacks $needed: $depends" ;; esac
done

root=$build/deb-test-root
rm -rf "$root"
dpkg-deb -x "$package" "$root"
shown=$("$root/usr/bin/kestrava" --version)
[ "$shown" = "kestrava $version" ] || fail "kestrava --version says '$shown'"
[ "$(cat "$root/etc/xdg/Kestrava Sonalve/installation.ini")" = "Install_Dir=/usr/share/doc/kestrava-sonalve" ] ||
    fail "the installation entry is '$(cat "$root/etc/xdg/Kestrava Sonalve/installation.ini")'"
KESTRAVA_SONALVE_LIBRARY="$root/usr/lib/vst/Sonalve.so" "$host_test" \
    --gtest_filter='HostTest.DescriptorAnswers:HostTest.PassThroughIsBitExactInBothPrecisions' >/dev/null ||
    fail "the installed plug-in did not load in the host"
sh "$source/tests/plugin/ardour-scan.sh" "$root/usr/lib/vst/Sonalve.so" "$build/deb-test-ardour" >/dev/null ||
    fail "Ardour's scanner did not read the installed plug-in"
lv2ls=$(LV2_PATH="$root/usr/lib/lv2" lv2ls -n 2>/dev/null)
[ "$lv2ls" = "Sonalve" ] || fail "lv2ls finds '$lv2ls' in the installed bundle"

[ $failures -eq 0 ] && echo "debian package: lintian clean, complete, and its tool and plug-in run"
exit $failures
