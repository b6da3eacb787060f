#!/usr/bin/env bash
# SyncServer.exe as a user runs it under wine: it starts by itself from its
# settings file, and the reader client (also under wine) backs a library up
# into it and restores it byte for byte. Needs WINEPREFIX and a display.
set -u
server=$1
client=$2
run="$(dirname "$0")/../../cmake/wine-run"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

user_folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/ | grep -v '/Public/$' | head -n 1)
settings="${user_folder}AppData/Local/Vellumine"
mkdir -p "$settings" "$work/library/Books/Series A" "$work/library/UserData"
printf 'first book' > "$work/library/Books/Series A/one.epub"
head -c 70000 /dev/urandom > "$work/library/Books/two.pdf"
: > "$work/library/Books/empty.txt"
printf '{"page": 12}' > "$work/library/UserData/state.json"

port=$((20000 + RANDOM % 12000))
printf '[VLSYNC]\r\nBACKUP_DIR=%s\r\nSYNC_DIR=%s\r\nSTARTUP=YES\r\nTRAY=NO\r\n' \
  "$(windows_path "$work/Backup")" "$(windows_path "$work/Sync")" > "$settings/SyncServer.ini"

"$run" "$server" --port $port --discovery-port $port &
pid=$!
for _ in $(seq 30); do
  "$run" "$client" --port $port list > "$work/list.txt" 2>/dev/null && break
  sleep 1
done
[ -f "$work/list.txt" ] || fail "the server did not answer"

"$run" "$client" --port $port backup "$(windows_path "$work/library")" set1 dev-w "Wine shelf" ||
  fail "backup"
"$run" "$client" --port $port list | grep -q '^set1 dev-w [0-9]* 0 Wine shelf' || fail "list"
"$run" "$client" --port $port restore set1 "$(windows_path "$work/restored")" || fail "restore"
diff -r "$work/library" "$work/restored" || fail "the restored library differs"
[ -f "$work/Backup/set1/vlbackup.ini" ] || fail "no catalogue"
echo "SyncServer.exe passed"
