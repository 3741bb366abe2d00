#!/usr/bin/env bash
# The window end to end under a virtual X server: splash, start-up time, a click on MINOR, key 5
# (a piece in Archive/), key Y (the time digits advance), key S in the first phrase (two
# excerpts), key X (exit status 0, Scale=Min kept). Screenshots stay in the shots folder.
# Usage: window_e2e.sh <vorsk executable> <shots folder>. Exit 77: skipped.
set -u
vorsk="$1"
shots="$2"
if [ -z "${VORSK_E2E_INNER:-}" ]; then
  for tool in Xvfb xvfb-run xdotool xwininfo import compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  ls "$(dirname "$vorsk")"/[Dd]ata0.dat >/dev/null 2>&1 ||
    { echo "SKIP: no sample archives beside $vorsk (a build without them)"; exit 77; }
  VORSK_E2E_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy

fail() {
  echo "FAIL: $*"
  echo "windows on screen:"; xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  exit 1
}
now_ms() { date +%s%3N; }
# Waits up to $1 tenths of a second for the command in the other arguments to succeed.
wait_for() {
  local tries=$1; shift
  for ((i = 0; i < tries; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
# Message boxes are found by their title in the window tree (xdotool's search misses them).
box_id() { xwininfo -root -tree | grep -F "\"$1\"" | awk '{print $1}' | head -1; }
shot() { import -window root "$shots/$1.png"; }
crop() { convert "$shots/$1.png" -crop "$2" +repage "$shots/$3.png"; }
differs() { [ "$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 | cut -d' ' -f1)" != 0 ]; }

rm -rf "$shots"; mkdir -p "$shots"
# A program folder of its own: the copy of the program, the archives and the help page.
program="$shots/program"
mkdir -p "$program"
cp "$vorsk" "$program/vorsk"
bin="$(dirname "$vorsk")"
for f in "$bin"/[Dd]ata?.dat; do ln -s "$f" "$program/$(basename "$f")"; done
[ -d "$bin/help" ] && ln -s "$bin/help" "$program/help"
export TMPDIR="$shots"

# The splash must be on screen within 1 s of the start. Each look is an xdotool call (a few ms,
# more under load), so the time found is an upper bound of the true one. A loaded 2-core machine
# can hold a start back on its own, so a start that misses is closed and the program started
# again, up to three times: a program that is slow to show its splash misses every time.
splash_limit_ms=1000
splash_times=""
for attempt in 1 2 3; do
  start=$(now_ms)
  "$program/vorsk" > "$shots/vorsk.out" 2>&1 &
  pid=$!
  splash_ms=""
  while [ $(( $(now_ms) - start )) -lt 5000 ]; do
    if xdotool search --onlyvisible --name '^Vorsk$' >/dev/null 2>&1; then
      splash_ms=$(( $(now_ms) - start ))
      break
    fi
  done
  [ -n "$splash_ms" ] || fail "no splash within 5 s"
  splash_times="$splash_times ${splash_ms}ms"
  [ "$splash_ms" -le "$splash_limit_ms" ] && break
  kill "$pid"; wait "$pid"
done
echo "splash on screen after:$splash_times"
[ "$splash_ms" -le "$splash_limit_ms" ] || fail "the splash took more than 1 s in every start:$splash_times"
sleep 0.5
shot splash
wait_for 100 xdotool search --onlyvisible --name '^Vorsk 2\.1\.0$' || fail "no main window"
mapped=$(( $(now_ms) - start ))
echo "main window after $mapped ms"
[ "$mapped" -ge 3000 ] || fail "main window mapped after $mapped ms, before 3 s"
wid=$(xdotool search --onlyvisible --name '^Vorsk 2\.1\.0$' | head -1)
xdotool windowfocus --sync "$wid" 2>/dev/null
sleep 0.5
geometry() { import -window "$wid" "$shots/$1.png"; }
geometry board
crop board 80x50+250+200 minor_before
xdotool mousemove --window "$wid" 280 220 click 1
sleep 0.5
geometry board_minor
crop board_minor 80x50+250+200 minor_after
differs minor_before minor_after || fail "indicator 1015 did not change after the MINOR click"

# Right click: the About box, closed with Return.
xdotool mousemove --window "$wid" 500 300 click 3
wait_for 50 sh -c "xwininfo -root -tree | grep -qF '\"About Vorsk\"'" || fail "no About box"
shot about
xdotool windowfocus --sync "$(box_id "About Vorsk")" 2>/dev/null
xdotool key Return
wait_for 30 sh -c "! xwininfo -root -tree | grep -qF '\"About Vorsk\"'" || fail "Return did not close About"
xdotool windowfocus --sync "$wid" 2>/dev/null
kill -0 "$pid" || fail "vorsk ended after the About box"
crop board 80x50+710+310 generate_unlit
# The run is over when the GENERATE 5 MIN. button is unlit again.
generate_done() {
  geometry generating
  crop generating 80x50+710+310 generate_now
  ! differs generate_unlit generate_now
}
started=$(now_ms)
xdotool key 5
sleep 0.3
wait_for 600 generate_done || fail "GENERATE did not finish"
echo "GENERATE 5 MIN. took about $(( $(now_ms) - started )) ms"
ls "$program"/Archive/*_Mix.wav >/dev/null 2>&1 || fail "no piece in Archive/"
geometry generated
ls "$program/Archive"

xdotool key y
sleep 1.5
geometry playing1
sleep 2
geometry playing2
crop playing1 70x25+900+110 digits1
crop playing2 70x25+900+110 digits2
differs digits1 digits2 || fail "the time digits did not advance"

xdotool key s
wait_for 50 sh -c "ls '$program'/Archive/*Mix_01.wav '$program'/Archive/*Piano_01.wav" ||
  fail "no excerpts written"
sleep 0.5
wait_for 50 sh -c "xwininfo -root -tree | grep -qF '\"Vorsk - Save Session\"'" || fail "no save summary box"
shot save_box
box=$(box_id "Vorsk - Save Session")
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
wait_for 30 sh -c "! xwininfo -root -tree | grep -qF '\"Vorsk - Save Session\"'" || fail "Return did not close the box"
sleep 0.5
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key x
wait_for 100 sh -c "! kill -0 $pid" || fail "vorsk did not end after X"
wait "$pid"; status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "Scale=Min" "$program/Vorsk.INI" || fail "Vorsk.INI lacks Scale=Min"
echo "PASS (screenshots in $shots)"
