#!/usr/bin/env bash
# Runs the headless server as a user would: folders from the settings file,
# stopped by SIGTERM. A second copy on the same port must fail. The port is
# one of its own below the ephemeral range, so that other suites and a real
# server on this machine are not in the way.
set -u
server=$1
work=$(mktemp -d)
first= second=
trap 'kill $first $second 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- first"; cat "$work/first.log"; exit 1; }
# Waits up to 10 s for the server writing to $1 to start listening.
wait_listening() {
  for _ in $(seq 100); do
    grep -q 'Start Listen\.' "$1" && return
    sleep 0.1
  done
}

mkdir -p "$work/config/Vellumine"
printf '[vlsync]\r\nbackup_dir=%s\r\nSYNC_DIR=%s\r\n' "$work/Backup" "$work/Sync" \
  > "$work/config/Vellumine/SyncServer.ini"
export HOME="$work" XDG_CONFIG_HOME="$work/config"

"$server" --version | grep -qx 'Vellumine SyncServer 1.31' || fail "--version"

# Another program may hold a port we pick; then pick again.
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 12000))
  "$server" --port $port --discovery-port $port > "$work/first.log" 2>&1 &
  first=$!
  wait_listening "$work/first.log"
  sleep 0.3
  grep -q 'Listen Error\.' "$work/first.log" || break
  wait $first
done
head -n 1 "$work/first.log" | grep -qx 'Vellumine SyncServer 1.31' || fail "first line"
grep -qx "\[1:-01\]BackupFolder=$work/Backup" "$work/first.log" || fail "backup folder from settings"
grep -qx "\[1:-01\]SyncFolder=$work/Sync" "$work/first.log" || fail "sync folder from settings"
grep -qx '\[0:-01\]Auto-detection is enabled\.' "$work/first.log" || fail "discovery"

# A reader's greeting over the real port.
exec 3<>/dev/tcp/127.0.0.1/$port || fail "connect"
printf 'VLSYNC/1.0\r\n' >&3
greeting=$(head -c 20 <&3 | od -An -c -w64 | tr -s ' ')
exec 3>&-
[ "$greeting" = " R e c v . \n \r \n V L S Y N C / 1 . 0 \r \n" ] || fail "greeting: $greeting"

"$server" --port $port --discovery-port $port --backup-dir "$work/B2" > "$work/second.log" 2>&1 &
second=$!
wait $second
code=$?
[ $code -ne 0 ] || fail "second server on a taken port exited 0"
grep -qx '\[1:-01\]Listen Error\.' "$work/second.log" || fail "Listen Error. line"
grep -qx "\[1:-01\]BackupFolder=$work/B2" "$work/second.log" || fail "--backup-dir"

kill -TERM $first
wait $first
code=$?
[ $code -eq 0 ] || fail "exit code $code after SIGTERM"

# SIGINT too, although a background job starts with SIGINT ignored.
"$server" --port $port --discovery-port $port > "$work/third.log" 2>&1 &
first=$!
wait_listening "$work/third.log"
kill -INT $first
wait $first
code=$?
[ $code -eq 0 ] || fail "exit code $code after SIGINT"
grep -qx '\[0:-01\]End Listen\.' "$work/third.log" || fail "End Listen. after SIGINT"
grep -qx '\[0:-01\]End Listen\.' "$work/first.log" || fail "End Listen."
grep -q 'Close session\.' "$work/first.log" || fail "Close session."
"$server" --port 0x10 > /dev/null 2>&1 && fail "--port 0x10 accepted"
[ ! -e "$work/config/Vellumine/SyncServer.ini.tmp" ] || fail "settings written"
echo "console test passed"
