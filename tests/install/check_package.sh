#!/usr/bin/env bash
# The Debian package: cpack builds it, its fields and contents are as they should be, lintian
# finds no error, and the program unpacked from it (dpkg-deb -x, HOME in a temporary folder)
# starts hidden, keeps its settings and log in the user's configuration folder and mails a due
# recipient through a real SMTP server (aiosmtpd on 127.0.0.1).
#   check_package.sh BUILD_DIR TESTS_SUPPORT_DIR
set -euo pipefail
build=$1
support=$2
work=$(mktemp -d)
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    [ -n "${SERVER_PID:-}" ] && kill "$SERVER_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/corvalet_*.deb)

# Fields.
fields=$(dpkg-deb --field "$deb")
for field in "Package: corvalet" "Section: mail" "Maintainer: " "Version: " "Description: send a prepared" \
             "Depends: .*libqt6widgets6" "Depends: .*libc6"; do
    grep -q "^$field" <<<"$fields" || fail "no field $field in: $fields"
done

# Contents.
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/corvalet ./usr/share/applications/org.example.corvalet.desktop \
            ./usr/share/metainfo/org.example.corvalet.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/corvalet.svg \
            ./usr/share/icons/hicolor/48x48/apps/corvalet.png ./usr/share/corvalet/help/welcome.html \
            ./usr/share/corvalet/help/catalogue.txt ./usr/share/man/man1/corvalet.1.gz \
            ./usr/share/doc/corvalet/copyright ./usr/share/doc/corvalet/changelog.gz \
            ./usr/share/lintian/overrides/corvalet; do
    grep -qx "$file" <<<"$contents" || fail "$file is not in the package"
done
grep -v '^\./usr/' <<<"$contents" | grep -vx '\./' && fail "files outside /usr"

# Lintian: no error (the warnings the package keeps are overridden, with their reasons).
lintian_output=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
grep -q '^E: ' <<<"$lintian_output" && fail "lintian errors: $lintian_output"
grep -q '^W: ' <<<"$lintian_output" && fail "lintian warnings not overridden: $lintian_output"

# The unpacked program, run by a user with an empty home.
root=$work/root
home=$work/home
mkdir -p "$root" "$home/.config/corvalet" "$work/mail"
dpkg-deb -x "$deb" "$root"
coproc SERVER { exec /usr/bin/python3 "$support/aiosmtpd_store.py" "$work/mail"; }
read -r -u "${SERVER[0]}" port
settings=$home/.config/corvalet
printf '<p>The weekly figures are ready.</p>\r\n' >"$settings/body.html"
{
    printf '[General]\r\nSenderName=Corvalet Demo\r\nSenderAddress=demo@example.org\r\nRecipientCount=2\r\n'
    printf 'RecipientAddress0=first@example.org\r\nRecipientTime0=%s\r\n' "$(date +'%H : %M')"
    printf 'RecipientEmailFreq0=Daily\r\nRecipientDistrMeth0=BCC\r\n'
    printf 'RecipientAddress1=second@example.org\r\nRecipientTime1=%s\r\n' "$(date -d '+1 minute' +'%H : %M')"
    printf 'RecipientEmailFreq1=Daily\r\nRecipientDistrMeth1=BCC\r\n'
    printf '[Logging]\r\nMechanism=2\r\nFileName=Corvalet.log\r\n'
    printf '[Connection]\r\nSMTPHost=127.0.0.1\r\nPortNumber=%s\r\nTimeOut=1\r\n' "$port"
    printf '[Message]\r\nBodyFileName=body.html\r\nPriority=2\r\nSubject=Weekly figures\r\nContentType=0\r\n'
} >"$settings/Corvalet.ini"
env -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" QT_QPA_PLATFORM=offscreen LC_ALL=C \
    "$root/usr/bin/corvalet" /HIDE 2>"$work/stderr" &
program_pid=$!
for _ in $(seq 200); do
    [ -e "$work/mail/1.eml" ] && break
    sleep 0.1
done
if [ -e "$work/mail/1.eml" ]; then
    grep -q 'The weekly figures are ready.' "$work/mail/1.eml" || fail "the message lacks its body"
    for _ in $(seq 50); do
        grep -q 'Successfully send the e-mail to' "$settings/Corvalet.log" 2>/dev/null && break
        sleep 0.1
    done
    grep -q 'Successfully send the e-mail to' "$settings/Corvalet.log" ||
        fail "no log line in the configuration folder"
else
    fail "nothing was mailed: $(cat "$work/stderr")"
fi
kill -0 "$program_pid" 2>/dev/null || fail "the program did not keep running"
kill "$program_pid" && wait "$program_pid" || fail "the program did not end cleanly when asked to"
program_pid=
[ -z "$(find "$root" -name 'Corvalet.*')" ] || fail "the program wrote beside its executable"

[ $status = 0 ] && echo "package $(basename "$deb"): fields, contents, lintian and a mailing from the unpacked program"
exit $status
