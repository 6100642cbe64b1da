#!/usr/bin/env bash
# Usage: bridge_wine_test.sh BENCH_DIR QUORVEX_BRIDGE_EXE SIMULATOR NATIVE_BRIDGE
# quorvex-bridge.exe under Wine on the bench's COM3, with the multiviewer simulator on the Linux end
# of COM3's cable (COM13's line, which nothing else uses meanwhile): its API answers byte for byte
# what the Linux bridge built from the same sources answers; commands by name, by code and in a
# sequence reach the simulator byte-exact and in order; a body over the limit and a request the
# parser refuses send nothing; its port is its own; and its page, in headless Chromium, sends a
# click and shows the state pushed to it.
set -euo pipefail
bench=$(realpath "$1")
bridge=$(realpath "$2")
simulator=$(realpath "$3")
native=$(realpath "$4")
here=$(dirname "$(realpath "$0")")
log="$bench/bridge-wine-simulator.log"

# shellcheck source=../tools/started.sh
source "$here/../tools/started.sh"
trap end_started EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# shellcheck source=../tools/wait-for.sh
source "$here/../tools/wait-for.sh"
seen() { sed -n -E '/  (sent|could not send)  \[/d; s/^[^ ]+  .*  \[([0-9A-F ]+)\]$/\1/p' "$log"; }
seen_at_least() { [ "$(seen | wc -l)" -ge "$1" ]; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# CODE of a request to the bridge at PORT: http_code PORT CURL_ARGS...
http_code() {
    local port=$1
    shift
    curl -s -m 30 -o "$bench/bridge-wine.answer" -w '%{http_code}' "$@" "http://127.0.0.1:$port${path:-/}"
}

rm -f "$log"
"$simulator" --no-picture --log "$log" "$(readlink -f "$bench/cables/c3/b")" >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$log" || fail "the simulator did not start"

port=$(free_port)
"$here/bench/wine-run.sh" "$bench" "$bridge" --listen "127.0.0.1:$port" --gap 0 COM3 \
    >"$bench/bridge-wine.out" 2>"$bench/bridge-wine.err" </dev/null &
pids+=($!)
wait_for 60 grep -qs "^http://127.0.0.1:$port/" "$bench/bridge-wine.out" ||
    fail "quorvex-bridge.exe did not start: $(cat "$bench/bridge-wine.out" "$bench/bridge-wine.err")"

# The same sources on Linux, on no line at all: the command table is all that is compared.
"$native" --listen 127.0.0.1:0 /dev/null >"$bench/bridge-native.out" 2>/dev/null </dev/null &
pids+=($!)
wait_for 10 grep -qs "^http://" "$bench/bridge-native.out" || fail "the Linux bridge did not start"
native_port=$(sed -n -E 's|^http://127\.0\.0\.1:([0-9]+)/.*|\1|p' "$bench/bridge-native.out")
for what in /api/commands /panel.js /icons/172.png; do
    curl -s -m 30 "http://127.0.0.1:$native_port$what" >"$bench/bridge-native.body"
    curl -s -m 30 "http://127.0.0.1:$port$what" >"$bench/bridge-wine.body"
    [ -s "$bench/bridge-native.body" ] && cmp -s "$bench/bridge-native.body" "$bench/bridge-wine.body" ||
        fail "$what differs from the Linux bridge's"
done

for name in single-screen-1 C0 Quad-Split; do
    code=$(path=/api/commands/$name http_code "$port" -X POST)
    [ "$code" = 200 ] || fail "POST /api/commands/$name: $code $(cat "$bench/bridge-wine.answer")"
done
code=$(path=/api/sequence http_code "$port" -X POST -d '["one-large-three-small-2", {"wait": 300}, "mute"]')
[ "$code" = 200 ] || fail "POST /api/sequence: $code $(cat "$bench/bridge-wine.answer")"
# Refused, each sending nothing: a chunked body over 4 KB, and a Content-Length that is no number.
head -c 6000 /dev/zero | tr '\0' ' ' >"$bench/bridge-wine.big"
code=$(path=/api/sequence http_code "$port" -X POST -H "Transfer-Encoding: chunked" --data-binary @"$bench/bridge-wine.big")
[ "$code" = 413 ] || fail "a 6 KB chunked body: $code"
code=$(path=/api/commands/standby http_code "$port" -X POST -H "Content-Length: abc")
[ "$code" = 400 ] || fail "Content-Length: abc: $code"
expected=$'47 45 46 67 0A\n47 43 30 67 0A\n47 44 46 67 0A\n47 45 37 67 0A\n47 38 38 67 0A'
wait_for 5 seen_at_least 5 || fail "the simulator saw: $(seen | tr '\n' ',')"
[ "$(seen)" = "$expected" ] || fail "the simulator saw: $(seen | tr '\n' ',')"
path=/api/state http_code "$port" >/dev/null
python3 - "$bench/bridge-wine.answer" <<'EOF' || fail "the state: $(cat "$bench/bridge-wine.answer")"
import json, sys
state = json.load(open(sys.argv[1]))
assert state["layout"]["text"] == "one large (input 2), three small" and state["audio"]["muted"], state
assert [f["name"] for f in state["recent"]] == ["mute", "one-large-three-small-2", "quad-split", "audio-2",
                                                "single-screen-1"], state["recent"]
assert state["line"] == {"name": "COM3", "address": "COM3", "open": True, "reason": "", "waiting": 0}, state["line"]
EOF

# The port is the bridge's alone: a second one is refused at start.
status=0
timeout 60 "$here/bench/wine-run.sh" "$bench" "$bridge" --listen "127.0.0.1:$port" COM4 \
    >/dev/null 2>"$bench/bridge-wine-second.err" </dev/null || status=$?
[ "$status" -eq 1 ] && grep -q "127.0.0.1:$port is in use by another program" "$bench/bridge-wine-second.err" ||
    fail "a second bridge on port $port: exit $status, $(cat "$bench/bridge-wine-second.err")"

# The page: its buttons, a click on the line, and the state pushed back to it.
profile=$(mktemp -d "$bench/bridge-wine-profile.XXXXXX")
/usr/bin/python3 - "http://127.0.0.1:$port/" "$log" "$profile" <<'EOF' || fail "the page in Chromium"
import sys, time
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

url, log, profile = sys.argv[1:]
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             f"--user-data-dir={profile}"):
    options.add_argument(flag)
page = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def within(seconds, condition):
    deadline = time.monotonic() + seconds
    while not condition():
        assert time.monotonic() < deadline, "timed out; the page says: " + page.find_element(By.TAG_NAME, "body").text
        time.sleep(0.05)


try:
    page.get(url)
    within(30, lambda: len(page.find_elements(By.CSS_SELECTOR, "button.command")) == 23)
    within(30, lambda: page.find_element(By.ID, "audio").text == "muted")
    page.find_element(By.CSS_SELECTOR, "button[data-name='audio-3']").click()
    within(30, lambda: open(log).read().rstrip().endswith("[47 39 39 67 0A]"))
    within(30, lambda: page.find_element(By.ID, "audio").text == "input 3")
finally:
    page.quit()
EOF
echo "quorvex-bridge.exe: its API as the Linux bridge's, five frames on COM3 byte-exact and in order, a big body and a bad length refused, its port its own, its page in Chromium"
