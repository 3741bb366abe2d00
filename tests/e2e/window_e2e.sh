#!/usr/bin/env bash
# The window end to end under a virtual X server without a window manager: splash, start-up
# time, a click on MINOR, About closed with Return, the manual and the schematic view (Q H H
# leaves the manual's picture as the manual is; the schematic's header looks the same with the
# intensity strip on and off), HELP with no browser (a box), key 5 (a piece in Archive/), key Y
# (the time digits advance), key S in the first phrase (two excerpts; the digits go on behind
# the save box, Return closes it), key X (exit status 0, Scale=Min kept). Boxes are drawn on
# the board, so they are seen in its pixels. Screenshots stay in the shots folder.
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
  # No browser opener on its PATH: HELP must say so in a box.
  PATH=/nonexistent "$program/vorsk" > "$shots/vorsk.out" 2>&1 &
  pid=$!
  splash_ms=""
  while [ $(( $(now_ms) - start )) -lt 5000 ]; do
    if xdotool search --onlyvisible --name '^Vorsk$' >/dev/null 2>&1; then
      splash_ms=$(( $(now_ms) - start ))
      break
    fi
  done
  if [ -z "$splash_ms" ]; then
    # Nothing on screen: say what the program said, and start it again like a slow start.
    echo "attempt $attempt: no splash within 5 s; the program said:"; cat "$shots/vorsk.out"
    splash_times="$splash_times none"
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    continue
  fi
  splash_times="$splash_times ${splash_ms}ms"
  [ "$splash_ms" -le "$splash_limit_ms" ] && break
  kill "$pid"; wait "$pid"
done
echo "splash on screen after:$splash_times"
[ -n "$splash_ms" ] || fail "no splash within 5 s in any start:$splash_times"
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

# A box sits in the middle of the board: this strip of it differs from the board's own pixels
# there (the fan's frame, still unless a piece is being generated).
box_probe() { geometry "$1"; crop "$1" 120x20+440+335 "$1_probe"; }
box_probe no_box
# Whether a box is shown: against the board's own pixels, or the probe named by $2.
box_shown() { box_probe "$1"; differs "${2:-no_box}_probe" "$1_probe"; }
box_gone() { box_probe "$1"; ! differs no_box_probe "$1_probe"; }

# Right click: the About box, closed with Return.
xdotool mousemove --window "$wid" 500 300 click 3
wait_for 50 box_shown about || fail "no About box"
xdotool key Return
wait_for 30 box_gone about_closed || fail "Return did not close About"
kill -0 "$pid" || fail "vorsk ended after the About box"

# The manual and the schematic view. Off, H H leaves the manual's place bare; Q shows the
# idle series, and H H brings the same page back.
crop board 110x110+345+265 manual_off
xdotool key h; sleep 0.3; xdotool key h; sleep 0.3
geometry manual_hh_off; crop manual_hh_off 110x110+345+265 manual_hh_off_crop
differs manual_off manual_hh_off_crop && fail "H H showed the manual's picture while the manual is off"
xdotool key q; sleep 0.3
geometry manual_on; crop manual_on 110x110+345+265 manual_on_crop
differs manual_off manual_on_crop || fail "Q did not show the manual"
xdotool key h; sleep 0.3; xdotool key h; sleep 0.3
geometry manual_hh_on; crop manual_hh_on 110x110+345+265 manual_hh_on_crop
differs manual_on_crop manual_hh_on_crop && fail "H H did not bring the manual's idle page back"
xdotool key q; sleep 0.3
# The schematic view's header with the intensity strip off, then on (W), then off again.
xdotool key h; sleep 0.3
geometry schematic_strip_off; crop schematic_strip_off 900x50+50+20 header_strip_off
xdotool key h; sleep 0.2; xdotool key w; sleep 0.2; xdotool key h; sleep 0.3
geometry schematic_strip_on; crop schematic_strip_on 900x50+50+20 header_strip_on
differs header_strip_off header_strip_on && fail "the intensity strip shows through the schematic view's header"
xdotool key h; sleep 0.2; xdotool key w; sleep 0.3

# HELP (F1) without a browser: a box names the page.
xdotool key F1
wait_for 50 box_shown help_box || fail "no box after HELP without a browser"
xdotool key Return
wait_for 30 box_gone help_closed || fail "Return did not close the help box"

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

box_probe playing_no_box
xdotool key s
wait_for 50 sh -c "ls '$program'/Archive/*Mix_01.wav '$program'/Archive/*Piano_01.wav" ||
  fail "no excerpts written"
wait_for 50 box_shown save_box playing_no_box || fail "no save summary box"
sleep 1.5
geometry save_box1
sleep 2
geometry save_box2
crop save_box1 70x25+900+110 box_digits1
crop save_box2 70x25+900+110 box_digits2
differs box_digits1 box_digits2 || fail "the time digits stood still behind the save box"
xdotool key Return
save_box_gone() { box_probe save_closed; ! differs playing_no_box_probe save_closed_probe; }
wait_for 30 save_box_gone || fail "Return did not close the save box"
sleep 0.3
xdotool key x
wait_for 100 sh -c "! kill -0 $pid" || fail "vorsk did not end after X"
wait "$pid"; status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "Scale=Min" "$program/Vorsk.INI" || fail "Vorsk.INI lacks Scale=Min"
echo "PASS (screenshots in $shots)"
