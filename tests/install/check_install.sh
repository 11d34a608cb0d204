#!/usr/bin/env bash
# The install tree: `cmake --install` into a temporary prefix holds the program, its help pages,
# the menu entry, the icons and the metainfo; both desktop validators accept them; and the
# installed program keeps its settings in the user's configuration folder and finds its help.
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }

expected=(
    bin/corvalet
    share/applications/org.example.corvalet.desktop
    share/metainfo/org.example.corvalet.metainfo.xml
    share/icons/hicolor/scalable/apps/corvalet.svg
    share/man/man1/corvalet.1.gz
    share/doc/corvalet/copyright
    share/doc/corvalet/changelog.gz
)
for page in catalogue.txt help.css welcome.html configuration.html general.html recipients.html \
            message.html connection.html logging.html; do
    expected+=("share/corvalet/help/$page")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/corvalet.png")
done
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/corvalet" ] || fail "bin/corvalet is not executable"
for size in 16 48 256; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/corvalet.png" | grep -q "PNG image data, $size x $size" ||
        fail "the ${size}x${size} icon is not a PNG of that size"
done

desktop-file-validate "$prefix/share/applications/org.example.corvalet.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.corvalet.metainfo.xml" ||
    fail "appstreamcli validate"

# The installed program, run by a user whose home is empty.
home=$work/home
mkdir -p "$home"
help=$(env -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" "$prefix/bin/corvalet" --help)
grep -qx "Settings folder: $home/.config/corvalet/ (your configuration folder)" <<<"$help" ||
    fail "--help names another settings folder: $help"
grep -qx "Help pages:      $prefix/share/corvalet/help/" <<<"$help" || fail "--help names other help pages: $help"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$work/config" "$prefix/bin/corvalet" --help)
grep -qx "Log file:        $work/config/corvalet/Corvalet.log" <<<"$help" ||
    fail "--help ignores XDG_CONFIG_HOME: $help"
[ -z "$(ls -A "$home")" ] || fail "--help wrote into the home folder"
[ ! -e "$prefix/bin/Corvalet.ini" ] || fail "settings were written beside the installed program"

# A portable copy (the program with its Corvalet.ini) keeps everything beside it.
mkdir "$work/portable"
cp "$prefix/bin/corvalet" "$work/portable/"
: >"$work/portable/Corvalet.ini"
chmod a-w "$work/portable"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" "$work/portable/corvalet" --help)
chmod u+w "$work/portable"
grep -qx "Settings folder: $work/portable/ (beside the program)" <<<"$help" ||
    fail "a portable copy does not keep its settings beside it: $help"

[ $status = 0 ] && echo "install tree: ${#expected[@]} files, both validators pass"
exit $status
