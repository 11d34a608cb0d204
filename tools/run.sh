#!/usr/bin/env bash
# Builds Corvalet and shows it at work: a demo folder with the program, a settings file that mails
# one recipient in the current minute through a local mail catcher on 127.0.0.1:2525, and the
# program started with /HIDE (its icon appears in the notification area on a desktop; without a
# display it runs without a window). The script prints the message the catcher received and the
# program's log, then ends the program and the catcher.
#   bash tools/run.sh              # demo folder under /tmp, ended when the demo is over
#   bash tools/run.sh --keep       # leave the program running with its icon until Enter is pressed
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

. tools/packages.sh
ensure_packages cmake ninja-build g++ qt6-base-dev python3-aiosmtpd qt6-qpa-plugins git libssl-dev qtkeychain-qt6-dev

echo "=== Building Corvalet ==="
cmake --preset app >/dev/null
cmake --build --preset app --target corvalet

demo=$(mktemp -d /tmp/corvalet-demo.XXXXXX)
cp build/app/bin/corvalet "$demo/"
cp -r build/app/bin/help "$demo/"
port=2525
catcher_pid=
corvalet_pid=
# Ends what the demo started, each by its own process id, whatever state the demo ended in.
finish() {
    set +e
    for pid in $corvalet_pid $catcher_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    return 0
}
trap finish EXIT

echo "=== Starting the mail catcher on 127.0.0.1:$port ==="
/usr/bin/python3 "$root/tools/mail_catcher.py" "$demo/caught" "$port" >"$demo/catcher.port" 2>"$demo/catcher.err" &
catcher_pid=$!
for _ in $(seq 50); do [ -s "$demo/catcher.port" ] && break; sleep 0.1; done
if [ ! -s "$demo/catcher.port" ]; then
    echo "The mail catcher did not start (is port $port taken?):"; tail -1 "$demo/catcher.err"; exit 1
fi

# One row due in this minute, one in the next: the program's first tick finds one of them even
# when a minute begins while it starts.
now=$(date +%s)
this_minute=$(date -d "@$now" '+%H : %M')
next_minute=$(date -d "@$((now + 60))" '+%H : %M')
cat >"$demo/body.html" <<'HTML'
<html><body>
<h1>Good morning</h1>
<p>This message was sent by Corvalet's demo to a local mail catcher.</p>
</body></html>
HTML
cat >"$demo/Corvalet.ini" <<INI
[General]
SenderName=Corvalet Demo
SenderAddress=demo@example.org
RecipientCount=2
RecipientAddress0=team@example.org
RecipientTime0=$this_minute
RecipientEmailFreq0=Daily
RecipientDistrMeth0=BCC
RecipientAddress1=team-late@example.org
RecipientTime1=$next_minute
RecipientEmailFreq1=Daily
RecipientDistrMeth1=BCC
[Logging]
Mechanism=2
FileName=Corvalet.log
[Connection]
SMTPHost=127.0.0.1
PortNumber=$port
TimeOut=1
[Message]
BodyFileName=body.html
Priority=2
Subject=Corvalet demo
ContentType=0
INI

echo "=== Starting Corvalet /HIDE in $demo ==="
"$demo/corvalet" /HIDE &
corvalet_pid=$!
for _ in $(seq 150); do [ -f "$demo/caught/1.envelope" ] && break; sleep 0.2; done
if [ ! -f "$demo/caught/1.envelope" ]; then
    echo "No message arrived within 30 seconds."; exit 1
fi
for _ in $(seq 50); do grep -q "Successfully" "$demo/Corvalet.log" 2>/dev/null && break; sleep 0.1; done

echo
echo "=== Envelope (sender, then recipients) ==="
cat "$demo/caught/1.envelope"
echo "=== Delivered message ==="
tr -d '\r' <"$demo/caught/1.eml"
echo "=== Corvalet.log ==="
tr -d '\r' <"$demo/Corvalet.log"
echo

if [ "${1:-}" = "--keep" ]; then
    read -r -p "Corvalet keeps running with its icon (pid $corvalet_pid). Press Enter to end the demo. " _ || true
fi
echo "Demo folder: $demo"
