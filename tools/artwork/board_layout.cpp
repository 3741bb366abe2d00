#include "board_layout.h"

namespace artwork {
namespace {

using namespace colours;

// Left column of two-button options: titles right-aligned before the buttons at x 160 and 250.
ButtonGroup Pair(Group g, std::string title, std::string caption, int y, std::string explanation,
                 BoardButton left, BoardButton right) {
  return {g, std::move(title), std::move(caption), {10, static_cast<double>(y), 140, 50},
          std::move(explanation), {std::move(left), std::move(right)}};
}
BoardButton Cap(int bitmap, double x, double y, std::string label, std::string key, Rgb lit = kAmber) {
  return {bitmap, {x, y, 80, 50}, std::move(label), ButtonShape::kCap, lit, std::move(key)};
}

std::vector<ButtonGroup> MakeGroups() {
  std::vector<ButtonGroup> g;

  ButtonGroup notes{Group::kNote, "KEY NOTE", "one of twelve", {10, 110, 140, 80},
                    "Key of the piece, C to B. Left / Right arrows step one semitone.", {}};
  const int bitmaps[12] = {373, 385, 384, 387, 381, 380, 379, 378, 377, 371, 372, 376};
  const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  for (int i = 0; i < 12; ++i) {
    const bool bBlack = names[i][1] == '#';
    notes.buttons.push_back({bitmaps[i], {170.0 + 60 * i, 110, 50, 80}, names[i],
                             bBlack ? ButtonShape::kBlackKey : ButtonShape::kWhiteKey, kAmber, ""});
  }
  g.push_back(notes);

  ButtonGroup scale{Group::kScale, "SCALE", "choose one", {10, 200, 140, 50},
                    "Major, minor or one of the two five-note pentatonic scales.", {}};
  scale.buttons = {Cap(295, 160, 200, "MAJOR", "M"), Cap(296, 250, 200, "MINOR", "R"),
                   Cap(297, 430, 200, "pentatonic\nMAJOR", "J"), Cap(298, 520, 200, "pentatonic\nMINOR", "N")};
  g.push_back(scale);

  g.push_back(Pair(Group::kHarmony, "SOUND PLUS", "each on / off", 260,
                   "Extra layers: a string ensemble and a choir hold the chords; each on or off.",
                   Cap(369, 160, 260, "STRINGS", "G"), Cap(370, 250, 260, "VOICES", "V")));
  g.push_back(Pair(Group::kRhythm, "RHYTHM", "each on / off", 320,
                   "Rhythm section: a bass on the chord roots and a drum loop; each on or off.",
                   Cap(367, 160, 320, "BASS", "B"), Cap(368, 250, 320, "DRUMS", "D")));
  g.push_back(Pair(Group::kPlayMode, "PLAY MODE", "choose one", 380,
                   "Close or open play: which rhythm and melody contours the phrases draw from.",
                   Cap(310, 160, 380, "CLOSE", "C"), Cap(309, 250, 380, "OPEN", "O")));
  g.push_back(Pair(Group::kPitch, "FORCE PITCH", "choose one", 440,
                   "Regular develops each phrase straight on; free plays every second bar backwards.",
                   Cap(305, 160, 440, "REGULAR", "A"), Cap(306, 250, 440, "FREE", "F")));
  g.push_back(Pair(Group::kComplexity, "COMPLEXITY", "of the melody", 500,
                   "A simple or a complex melody and song form.",
                   Cap(311, 160, 500, "SIMPLE", "P"), Cap(312, 250, 500, "COMPLEX", "E")));
  g.push_back(Pair(Group::kMotive, "MOTIVE", "choose one", 560,
                   "Basic: one bar rhythm per phrase; full: two rhythms that alternate.",
                   Cap(313, 160, 560, "BASIC", "I"), Cap(314, 250, 560, "FULL", "L")));

  ButtonGroup hand{Group::kHand, "PIANO HANDS", "", {344, 385, 110, 20},
                   "Both hands on the piano, or the right hand (melody) only. Up / Down arrows.", {}};
  hand.buttons = {{316, {344, 409, 110, 60}, "FULL PIANO", ButtonShape::kCap, kAmber, "\u2191"},
                  {317, {344, 506, 110, 60}, "RIGHT HAND\nONLY", ButtonShape::kCap, kAmber, "\u2193"}};
  g.push_back(hand);

  ButtonGroup tempo{Group::kTempo, "TEMPO", "", {710, 200, 170, 18},
                    "Quarter notes per minute: slow 60 or lively 90.", {}};
  tempo.buttons = {Cap(299, 710, 220, "60 BPM", "6", kCyan), Cap(300, 800, 220, "90 BPM", "9", kCyan)};
  g.push_back(tempo);

  ButtonGroup generate{Group::kGenerate, "GENERATE", "", {710, 290, 170, 18},
                       "Compose and render a new piece of 5 or 15 minutes; the bar below shows progress.", {}};
  generate.buttons = {Cap(303, 710, 310, "GENERATE\n5 MIN.", "5", kOrange),
                      Cap(304, 800, 310, "GENERATE\n15 MIN.", "1", kOrange)};
  g.push_back(generate);

  ButtonGroup player{Group::kPlayer, "PLAYER", "", {665, 400, 260, 18},
                     "Play, pause and stop the piece; SAVE keeps it (while playing: the current phrase); EXIT quits.", {}};
  player.buttons = {Cap(301, 665, 420, "PLAY", "Y", kGreen), Cap(366, 755, 420, "PAUSE", "U", kAmber),
                    Cap(302, 845, 420, "STOP", "T", kRed), Cap(282, 710, 510, "SAVE", "S", kBlue),
                    {0, {800, 510, 76, 50}, "EXIT", ButtonShape::kCap, kRed, "X"}};
  player.buttons[0].icon = ButtonIcon::kPlay;
  player.buttons[1].icon = ButtonIcon::kPause;
  player.buttons[2].icon = ButtonIcon::kStop;
  g.push_back(player);

  ButtonGroup phrase{Group::kPhrase, "PHRASE", "", {895, 226, 70, 16},
                     "Number of the 8-bar phrase playing; PREV. and NEXT jump (Page Down / Page Up).", {}};
  phrase.buttons = {{0, {895, 300, 26, 31}, "PREV.", ButtonShape::kSmall, kAmber, "PgDn", ButtonIcon::kPrev},
                    {0, {940, 300, 26, 31}, "NEXT", ButtonShape::kSmall, kAmber, "PgUp", ButtonIcon::kNext}};
  g.push_back(phrase);

  ButtonGroup intensity{Group::kIntensity, "", "", {0, 0, 0, 0},
                        "Touch the keyboard to play the piano with or without dynamics.", {}};
  intensity.buttons = {{0, {275, 17, 491, 41}, "PIANO INTENSITY", ButtonShape::kStrip, kAmber, "W"}};
  g.push_back(intensity);

  ButtonGroup guides{Group::kGuides, "", "", {0, 0, 0, 0},
                     "HELP opens the help page (F1); the user manual shows hints; the schematic view is this picture.", {}};
  guides.buttons = {{0, {70, 60, 51, 21}, "HELP", ButtonShape::kSmall, kAmber, "F1"},
                    {0, {345, 265, 110, 110}, "THE\nINTERACTIVE\nUSER\nMANUAL", ButtonShape::kManual, kAmber, "Q"},
                    {0, {470, 550, 181, 26}, "INTERFACE/SCHEMATIC VIEW", ButtonShape::kSmall, kAmber, "H"}};
  g.push_back(guides);
  return g;
}

}  // namespace

const std::vector<ButtonGroup>& BoardGroups() {
  static const std::vector<ButtonGroup> groups = MakeGroups();
  return groups;
}

}  // namespace artwork
