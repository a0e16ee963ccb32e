#!/usr/bin/env bash
# rumblet and port as installed: into a scratch root, built against by a C
# program (pkg-config and find_package), packed into Debian packages whose
# contents are checked and which lintian must pass, and the packaged rumblet
# started on a virtual display by an ordinary user with an empty home and a
# program folder it cannot write. It must come up with the demo sound set,
# close cleanly, and leave its settings in the user's own folder. A copy
# installed under another prefix must load its own library, and say so and
# fail when that library is gone.
#
#   install_test.sh <build tree> <xwindow tool>
set -euo pipefail
build=$(realpath "$1")
xwindow=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")

scratch=$(mktemp -d /tmp/rumblet-install.XXXXXX)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "install test: $*" >&2
  exit 1
}
step() { echo "== $*"; }

step "install into a scratch root"
root=$scratch/root
DESTDIR=$root cmake --install "$build" >"$scratch/install.log" || { cat "$scratch/install.log"; fail "cmake --install failed"; }
pc=$(find "$root" -name port.pc)
[ -n "$pc" ] || fail "no port.pc installed"
libdir=$(dirname "$(dirname "$pc")")

step "a C program through pkg-config"
flags=$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$(dirname "$pc") pkg-config --cflags --libs port)
echo "pkg-config --cflags --libs port: $flags"
# shellcheck disable=SC2086  # the flags are words
cc -Wall -Werror -o "$scratch/client-pc" "$here/client/port_client.c" $flags
LD_LIBRARY_PATH=$libdir "$scratch/client-pc" || fail "the pkg-config client failed"
[ "$(objdump -p "$scratch/client-pc" | awk '$1 == "NEEDED" && $2 ~ /^libport/ { print $2 }')" = libport.so.1 ] ||
  fail "the client does not need libport.so.1"

step "the same program through find_package(port)"
cmake -S "$here/client" -B "$scratch/client-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >"$scratch/client.log" ||
  { cat "$scratch/client.log"; fail "find_package(port) failed"; }
cmake --build "$scratch/client-cmake" >>"$scratch/client.log" || { cat "$scratch/client.log"; fail "the CMake client did not build"; }
LD_LIBRARY_PATH=$libdir "$scratch/client-cmake/port_client" || fail "the CMake client failed"

step "Debian packages"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/packages" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
for package in rumblet libport1 libport-dev; do
  deb=$scratch/packages/${package}_${version}_$arch.deb
  [ -f "$deb" ] || fail "no package $deb"
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | sort >"$scratch/$package.list"
  echo "$package: $(grep -c . "$scratch/$package.list") entries; Depends: $(dpkg-deb -f "$deb" Depends)"
done
holds() { # package, path pattern (grep -E, whole line)
  grep -Eqx "$2" "$scratch/$1.list" || fail "$1 lacks $2"
}
lacks() {
  ! grep -Eq "$2" "$scratch/$1.list" || fail "$1 holds $(grep -E "$2" "$scratch/$1.list" | head -1)"
}
for program in rumblet irremote portinfo; do holds rumblet "/usr/bin/$program"; done
holds rumblet /usr/share/applications/rumblet.desktop
holds rumblet /usr/share/icons/hicolor/scalable/apps/rumblet.svg
holds rumblet /usr/share/rumblet/IR.ini
for sound in dsound/demo-engine.wav dsound/demo-engine.dat dsound/Schuss/demo-shot.wav dsound/Turm/demo-turret.wav \
  dsound/atmo/demo-rain.wav; do
  holds rumblet "/usr/share/rumblet/$sound"
done
lacks rumblet 'libport|/include/'
holds libport1 "/usr/lib/([^/]+/)?libport\.so\.1"
holds libport1 "/usr/lib/([^/]+/)?libport\.so\.1\.[0-9.]+"
lacks libport1 'libport\.so$|/include/|/bin/'
holds libport-dev /usr/include/port/port.h
holds libport-dev "/usr/lib/([^/]+/)?libport\.so"
holds libport-dev "/usr/lib/([^/]+/)?pkgconfig/port\.pc"
holds libport-dev "/usr/lib/([^/]+/)?cmake/port/portConfig\.cmake"
holds libport-dev "/usr/lib/([^/]+/)?cmake/port/portTargets\.cmake"
lacks libport-dev 'libport\.so\.1'
dpkg-deb -f "$scratch/packages/rumblet_${version}_$arch.deb" Depends | grep -q "libport1 (= $version)" ||
  fail "rumblet does not depend on libport1 (= $version)"
dpkg-deb -I "$scratch/packages/libport1_${version}_$arch.deb" shlibs | grep -q '^libport 1 libport1' ||
  fail "libport1 has no shlibs entry for libport.so.1"

step "lintian"
# A Debian maintainer's check: no error and no warning (the few tags that do
# not apply are overridden in packaging/debian/, each with its reason).
lintian --fail-on error,warning --tag-display-limit 0 "$scratch"/packages/*.deb ||
  fail "lintian finds errors or warnings in the packages"

# The packages unpacked are the system rumblet runs on: its folder is the
# root's, the library on the loader's path.
system=$scratch/system
for deb in "$scratch"/packages/*.deb; do dpkg-deb -x "$deb" "$system"; done
desktop-file-validate "$system/usr/share/applications/rumblet.desktop" || fail "the desktop entry is not valid"
library=$(find "$system" -name 'libport.so.1.*')
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = libport.so.1 ] || fail "libport's soname is '$soname'"
# The symbols file names every export, and nothing else.
cmp -s <(nm -D --defined-only "$library" | awk '{ print $3 }' | sort) \
  <(dpkg-deb -I "$scratch/packages/libport1_${version}_$arch.deb" symbols | sed -n 's/^ \([A-Z]*\)@Base .*/\1/p' | sort) ||
  fail "libport1's symbols file and the library's exports differ"

step "a copy installed under another prefix finds its own library"
opt=$scratch/opt
cmake --install "$build" --prefix "$opt" >"$scratch/install-opt.log" ||
  { cat "$scratch/install-opt.log"; fail "cmake --install --prefix failed"; }
optlib=$(dirname "$(find "$opt" -name libport.so.1)")
for program in rumblet portinfo; do
  dynamic=$(readelf -d "$opt/bin/$program")
  runpath=$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p' <<<"$dynamic")
  [ "$runpath" = "\$ORIGIN/$(realpath --relative-to="$opt/bin" "$optlib")" ] ||
    fail "$program's RUNPATH is '$runpath', not its library's folder"
  ! grep -q '(RPATH)' <<<"$dynamic" || fail "$program has an RPATH, which LD_LIBRARY_PATH could not override"
done
# portinfo opens no port; its COM names lead to sockets that nothing uses.
# With libport1 installed on this machine too, the copy must still load its own.
env -u LD_LIBRARY_PATH LD_DEBUG=libs HOME="$scratch" PORT_COM1="virtual:$scratch/com1.sock" \
  PORT_COM2="virtual:$scratch/com2.sock" "$opt/bin/portinfo" --version >"$scratch/portinfo.log" 2>"$scratch/portinfo.debug" ||
  { cat "$scratch/portinfo.log"; fail "the copy's portinfo failed"; }
loaded=$(sed -n 's/.*calling init: \(.*libport\.so.*\)$/\1/p' "$scratch/portinfo.debug" | xargs -r realpath -s)
[ "$loaded" = "$optlib/libport.so.1" ] || fail "the copy's portinfo loaded '$loaded', not $optlib/libport.so.1"

home=$scratch/home
mkdir "$home"
chmod 755 "$scratch"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod -R a-w "$system"
fi
[ -w "$system/usr/bin" ] && [ ${#as_user[@]} -eq 0 ] && fail "cannot make the program's folder read-only"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
display=:$(head -1 "$scratch/display")

# The id of rumblet's first visible window whose name matches (grep -E),
# once it shows; empty when none came within 30 s or rumblet ended.
rumblet_window() {
  local found=""
  for _ in $(seq 150); do
    found=$(DISPLAY=$display xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$found" ] && break
    kill -0 "$rumblet" 2>/dev/null || break
    sleep 0.2
  done
  echo "$found"
}

step "the copy's rumblet without its library says so and fails"
# The library goes (or, where the system has a libport.so.1 that the copy
# could fall back to, turns into a file that is no library). COM1, chosen in
# the settings, makes the start load it.
rm "$optlib"/libport.so*
if /sbin/ldconfig -p | grep -q 'libport\.so\.1 '; then echo "no library" >"$optlib/libport.so.1"; fi
opthome=$scratch/opt-home
mkdir -p "$opthome/data/rumblet"
sed '27s/.*/ 1 \r/' "$opt/share/rumblet/IR.ini" >"$opthome/data/rumblet/IR.ini"
env -i PATH=/usr/bin:/bin HOME="$opthome" XDG_DATA_HOME="$opthome/data" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
  SDL_AUDIODRIVER=dummy PORT_COM1="virtual:$opthome/ir.sock" "$opt/bin/rumblet" >"$scratch/opt-rumblet.log" 2>&1 &
rumblet=$!
box=$(rumblet_window '^rumblet$')
[ -n "$box" ] || { cat "$scratch/opt-rumblet.log"; fail "the copy's rumblet showed no message about its library"; }
DISPLAY=$display "$xwindow" close "$box" || fail "cannot close the message"
for _ in $(seq 100); do kill -0 "$rumblet" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$rumblet" || status=$?
[ $status -ne 0 ] || fail "the copy's rumblet ended with status 0 without its library"
[ ! -S "$opthome/ir.sock" ] || fail "the copy's rumblet opened COM1 without its library"

step "the packaged rumblet, started by an ordinary user"
# COM1 leads to a virtual receiver: ticking it makes rumblet load the library
# that its RUNPATH leads to, the package's own, and open the port.
env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$display" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
  PORT_COM1="virtual:$home/ir.sock" \
  "${as_user[@]}" "$system/usr/bin/rumblet" >"$scratch/rumblet.log" 2>&1 &
rumblet=$!
window=$(rumblet_window '^rumblet   v\.0\.85\.beta$')
[ -n "$window" ] || { cat "$scratch/rumblet.log"; fail "rumblet's window did not appear"; }
no_message() {
  if DISPLAY=$display xdotool search --onlyvisible --name '^rumblet$' >/dev/null 2>&1; then
    fail "rumblet shows a message $1 (rumblet.log: $(cat "$scratch/rumblet.log"))"
  fi
}
sleep 2  # the rest of the start-up: settings, sounds
no_message "at its start"
# COM1's box: Frame5 at (1800, 2160) twips, the box at (120, 120) in it, 855 x 195.
DISPLAY=$display xdotool mousemove --window "$window" 156 158 click 1 || fail "cannot click COM1"
sleep 1
no_message "when COM1 is ticked"
[ -S "$home/ir.sock" ] || fail "COM1 did not open (rumblet.log: $(cat "$scratch/rumblet.log"))"
closing=$(date +%s)
DISPLAY=$display "$xwindow" close "$window" || fail "cannot ask rumblet's window to close"
status=0
for _ in $(seq 100); do kill -0 "$rumblet" 2>/dev/null || break; sleep 0.1; done
wait "$rumblet" || status=$?
[ $status -eq 0 ] || { cat "$scratch/rumblet.log"; fail "rumblet ended with status $status"; }

own=$home/.local/share/rumblet
[ -f "$own/IR.ini" ] || fail "no IR.ini in $own"
# The demo set's settings as installed, with COM1 chosen.
cmp -s <(head -n 26 "$own/IR.ini") <(head -n 26 "$system/usr/share/rumblet/IR.ini") ||
  fail "IR.ini in $own does not name the demo set"
[ "$(sed -n 27p "$own/IR.ini")" = $' 1 \r' ] || fail "IR.ini in $own does not keep COM1"
[ "$(stat -c %Y "$own/IR.ini")" -ge "$closing" ] || fail "rumblet did not save IR.ini in $own when it closed"
(cd "$system/usr/share/rumblet" && find dsound -type f) | while read -r sound; do
  cmp -s "$own/$sound" "$system/usr/share/rumblet/$sound" || fail "$own/$sound is not the demo set's"
done
if [ ${#as_user[@]} -gt 0 ]; then
  [ -z "$(find "$own" ! -user 65534)" ] || fail "files in $own that the user does not own"
fi
[ ! -e "$system/usr/bin/IR.ini" ] || fail "rumblet wrote beside itself"
echo "install test: packages, pkg-config, find_package and the installed rumblet are fine"
