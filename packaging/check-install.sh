#!/usr/bin/env bash
# Checks what an install gives a desktop: installs the build into a temporary
# prefix, validates the menu entry, asks the prefix's MIME database for the
# type of a demo description, runs the installed command line on the installed
# demo fleet, and lists the Debian package CPack makes.
#   check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in desktop-file-validate update-mime-database cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

desktop-file-validate "$prefix/share/applications/kitbox32.desktop"

update-mime-database "$prefix/share/mime" >/dev/null 2>&1
demo=$prefix/share/kitbox32/ecu/D_MOTOR.prg
if command -v xdg-mime >/dev/null; then
  type=$(XDG_DATA_DIRS=$prefix/share XDG_DATA_HOME=$work/none xdg-mime query filetype "$demo")
else
  # The compiled glob table is what every MIME lookup reads.
  type=$(awk -F: '$3 == "*.prg" { print $2 }' "$prefix/share/mime/globs2")
fi
[ "$type" = application/x-kitbox32-description ] || { echo "FAIL: $demo has type '$type'"; exit 1; }
for ext in grp tst sim; do
  grep -q ":\*\.$ext\$" "$prefix/share/mime/globs2" || { echo "FAIL: no type for *.$ext"; exit 1; }
done

# The installed programs use the installed share/ (the build tree is out of reach).
out=$(env -u KITBOX_RUNTIME_LIBRARY -u KITBOX_SIFTER_LIBRARY "$prefix/bin/kitbox32-cli" jobs "$demo")
grep -qi ident <<<"$out" || { echo "FAIL: installed kitbox32-cli did not list the demo's jobs"; exit 1; }
"$prefix/bin/kitbox32" --version >/dev/null

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/*.deb)
listing=$(dpkg-deb -c "$deb")
for f in usr/bin/kitbox32 usr/bin/kitbox32-cli usr/share/applications/kitbox32.desktop \
  usr/share/mime/packages/kitbox32.xml usr/share/icons/hicolor/48x48/apps/kitbox32.png \
  usr/share/icons/hicolor/scalable/apps/kitbox32.svg usr/share/man/man1/kitbox32.1 \
  usr/share/man/man1/kitbox32-cli.1 usr/share/bash-completion/completions/kitbox32-cli \
  usr/share/kitbox32/ecu/D_MOTOR.prg usr/share/kitbox32/doku/deutsch/FAQ.pdf \
  usr/share/kitbox32/doku/english/Kitbox32_Anleitung.html usr/share/kitbox32/Kitbox32_News.pdf; do
  grep -q "\./$f\$" <<<"$listing" || { echo "FAIL: $f missing from $deb"; exit 1; }
done
echo "install and package checked"
