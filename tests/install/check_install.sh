#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR (prefix /usr, as the Debian
# package does) and checks what lands there: the layout, the installed
# dovel running from that tree alone, the one-line error of a dovel without
# its data, and every installed description file through its validator.
#
#   check_install.sh BUILD_DIR SCRATCH_DIR
set -uo pipefail
build=$1
scratch=$2
unset DOVEL_DATA_DIR
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

rm -rf "$scratch"
mkdir -p "$scratch/home"
root=$scratch/root
if ! DESTDIR=$root cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  fail "cmake --install"
  exit 1
fi
usr=$root/usr

# The layout.
for f in libexec/xscreensaver/dovel bin/dovel-pack; do
  [ -x "$usr/$f" ] && [ ! -L "$usr/$f" ] || fail "$f is not an installed program"
done
[ "$(readlink "$usr/bin/dovel")" = ../libexec/xscreensaver/dovel ] ||
  fail "bin/dovel is not a relative link to the hack: $(readlink "$usr/bin/dovel")"
for f in share/dovel/dovel.ple share/dovel/obj.ple share/dovel/tarnwick.works share/dovel/background.png \
  share/man/man6/dovel.6.gz share/man/man1/dovel-settings.1.gz share/man/man1/dovel-pack.1.gz \
  share/applications/screensavers/dovel.desktop share/icons/hicolor/scalable/apps/dovel.svg \
  share/icons/hicolor/256x256/apps/dovel.png share/doc/dovel/README.md share/doc/dovel/copyright \
  share/doc/dovel/manual.html share/doc/dovel/docs/frame.png; do
  [ -s "$usr/$f" ] || fail "$f is missing"
done
# The idle service: a user unit and an autostart entry, both off until the
# user turns the service on, both starting the installed dovel.
unit=$usr/lib/systemd/user/dovel-idle.service
grep -qx "ExecStart=/usr/bin/dovel -on-idle" "$unit" || fail "dovel-idle.service does not run /usr/bin/dovel -on-idle"
grep -qx "WantedBy=graphical-session.target" "$unit" || fail "dovel-idle.service is not started with the session"
autostart=$root/etc/xdg/autostart/dovel-idle.desktop
grep -qx "Exec=/usr/bin/dovel -on-idle" "$autostart" || fail "the autostart entry does not run /usr/bin/dovel -on-idle"
grep -qx "Hidden=true" "$autostart" || fail "the autostart entry is not off until turned on"
desktop-file-validate "$autostart" || fail "desktop-file-validate $autostart"
if [ -e "$usr/share/applications/dovel-settings.desktop" ]; then
  [ -x "$usr/bin/dovel-settings" ] || fail "the menu entry's dovel-settings is not installed"
fi
metainfo=$(ls "$usr"/share/metainfo/*.metainfo.xml 2>/dev/null)
[ -n "$metainfo" ] || fail "no AppStream metainfo"

# The installed program runs with nothing of the build on its path, from
# an unrelated folder, through the link and as XScreenSaver starts it.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
cd "$scratch/home"
for exe in "$usr/bin/dovel" "$usr/libexec/xscreensaver/dovel"; do
  rm -rf frames
  if ! "$exe" -headless -frames 30 -every 29 -out frames >run.log 2>&1; then
    cat run.log
    fail "$exe -headless -frames 30"
  fi
  [ -s frames/frame-000000.png ] || fail "$exe wrote no frame"
done

# Without its data folder: one line naming where it looked, and a failure.
mkdir -p "$scratch/lonely/bin"
cp "$usr/libexec/xscreensaver/dovel" "$scratch/lonely/bin/dovel"
if "$scratch/lonely/bin/dovel" -headless -frames 2 >run.log 2>err.log; then
  fail "dovel without its data folder succeeded"
fi
[ "$(wc -l <err.log)" -eq 1 ] || fail "not one line of error: $(cat err.log)"
grep -q "data folder.*$scratch/lonely/share/dovel/" err.log || fail "the error does not name the folder: $(cat err.log)"

# Every description file passes its validator.
for desktop in "$usr"/share/applications/*.desktop "$usr"/share/applications/screensavers/*.desktop; do
  [ -e "$desktop" ] || continue
  desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
done
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
  { cat "$scratch/appstream.log"; fail "appstreamcli validate $metainfo"; }
for xml in "$metainfo" "$usr"/share/icons/hicolor/scalable/apps/dovel.svg \
  "$usr"/share/xscreensaver/config/*.xml "$usr"/share/dovel/*.ui; do
  [ -e "$xml" ] || continue
  xmllint --noout "$xml" || fail "xmllint $xml"
done
for page in "$usr"/share/man/man*/*.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man --warnings $page: $warnings"
done

[ $status -eq 0 ] && echo "install: every check passed"
exit $status
