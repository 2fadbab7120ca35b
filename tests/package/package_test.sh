#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from this build, its
# declared dependencies, its files unpacked into a scratch root (dpkg-deb -x,
# nothing installed on the machine), and every program run from there.
#   package_test.sh <build folder>
set -u
build=$1
source "$(dirname "$0")/../common/script_test.sh"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  echo "FAILED: cpack could not build the package"
  cat "$scratch/cpack.log"
  exit 1
fi
deb=$(ls "$scratch"/out/tavrion_*.deb)
echo "package: $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
check "it is the package tavrion 1.2" [ "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)" = "tavrion 1.2-1" ]
check "it depends on the wx libraries" bash -c '[[ "$1" == *libwxgtk3.2-1* && "$1" == *libwxbase3.2-1* ]]' _ "$depends"
check "it depends on no -dev package" bash -c '[[ "$1" != *-dev* ]]' _ "$depends"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for program in tavrion visim viewsync-monitor tavrion-web; do
  version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version 2>&1)
  check "$program --version runs from the unpacked package ($(echo "$version" | tr '\n' ' '))" \
    bash -c '[[ "$1" == "$2 1.2"$'"'"'\n'"'"'"git revision "* ]]' _ "$version" "$program"
  check "$program has its man page" bash -c 'zcat "$1" | grep -q "^\.TH ${2^^} \"1\""' _ \
    "$root/usr/share/man/man1/$program.1.gz" "$program"
done
check "the desktop entry starts tavrion with its icon" \
  grep -qx -e 'Exec=tavrion' "$root/usr/share/applications/tavrion.desktop"
for size in 16 32 48 256; do
  check "the icon is a $size x $size PNG in the hicolor theme" bash -c 'file "$1" | grep -q "PNG image data, $2 x $2"' _ \
    "$root/usr/share/icons/hicolor/${size}x$size/apps/tavrion.png" "$size"
done
check "the man pages name the working folder's files" bash -c \
  'zcat "$1" | grep -q "^\.SH FILES" && zcat "$1" | grep -q "ViewSyncCounter" && zcat "$1" | grep -q "^\.SH \"SEE ALSO\""' \
  _ "$root/usr/share/man/man1/tavrion.1.gz"
for doc in README.md.gz docs/figures.md.gz docs/figures/idle-waiting.png docs/tavrion-web.png changelog.Debian.gz copyright config/Offsets.dat config/RtLan_A320_MainComputer.ini config/RtLan_A330_PfdLeft.ini; do
  check "share/doc/tavrion/$doc is there" [ -s "$root/usr/share/doc/tavrion/$doc" ]
done
check "the service unit template is installed" \
  grep -qx -e 'Type=notify' "$root/usr/lib/systemd/system/tavrion@.service"
check "nothing but the programs in bin ($(ls "$root/usr/bin" | tr '\n' ' '))" \
  [ "$(ls "$root/usr/bin" | tr '\n' ' ')" = "tavrion tavrion-ctl tavrion-web viewsync-monitor visim " ]

# The operator's page: its files, its service, and the maintainer scripts
# that make its user and token.
check "it depends on cpp-httplib's library and adduser" \
  bash -c '[[ "$1" == *libcpp-httplib0.11* && "$1" == *adduser* ]]' _ "$depends"
for page in index.html page.css page.js; do
  check "the page's $page is in /usr/share/tavrion-web" [ -s "$root/usr/share/tavrion-web/$page" ]
done
check "the page's service unit is installed" \
  grep -qx -e 'User=tavrion-web' "$root/usr/lib/systemd/system/tavrion-web.service"
control=$scratch/control
dpkg-deb -e "$deb" "$control"
check "the postinst makes the page's user in the group tavrion and its token" \
  bash -c 'sh -n "$1" && grep -q "adduser --system.*--ingroup tavrion.*tavrion-web" "$1" &&
    grep -q "chown root:tavrion" "$1" && [ -x "$1" ]' _ "$control/postinst"
check "the postrm removes the token on purge" bash -c 'sh -n "$1" && grep -q web-token "$1"' _ "$control/postrm"
# An address of no machine (TEST-NET-1): once the page is read from beside
# the program, the listening is what fails.
said=$("$root/usr/bin/tavrion-web" --listen 192.0.2.1:8470 2>&1)
check "tavrion-web finds its page beside it ($said)" \
  [ "$said" = "tavrion-web: 192.0.2.1:8470: Cannot assign requested address" ]

# Debian's own checks, pedantic ones included: no error and no warning
# (an override carries its reason beside it in the package).
if command -v lintian >/dev/null; then
  lintian --pedantic --info "$deb" >"$scratch/lintian.log" 2>&1
  check "lintian finds no error or warning" bash -c '! grep -q "^[EW]: " "$1"' _ "$scratch/lintian.log"
  grep '^[EWIP]: ' "$scratch/lintian.log" | sort | uniq -c | sed 's/^/  lintian /'
else
  check "lintian is installed (scripts/lib.sh installs it)" false
fi
exit "$fail"
