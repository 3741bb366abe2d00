// The pages of the interactive user manual: one hint per page, in five series that follow what
// the program is doing. All texts are in kPages below.
#include <cmath>
#include <cstdio>
#include <set>

#include "board.h"
#include "pictures.h"

namespace artwork {
namespace {

using namespace colours;

enum class Pictogram { kNote, kKeys, kArrows, kDrum, kWave, kGear, kHand, kClock, kPlay, kPause, kStop,
                       kSave, kFolder, kLamp, kFan, kTape, kCheck, kQuestion, kSpeaker };

struct Page {
  int nId;
  const char* title;
  const char* body;
  Pictogram pictogram;
};

struct Series {
  const char* name;
  Rgb colour;
  std::vector<Page> pages;
};

using P = Pictogram;
const std::vector<Series>& AllSeries() {
  static const std::vector<Series> series = {
      {"idle", Hex(0x2b868c), {
           {558, "Welcome", "This is Vorsk.\nSet a few options,\nthen press\nGENERATE.", P::kNote},
           {559, "Key note", "Click a piano key\nto choose the key\nof the piece.", P::kKeys},
           {560, "Step the key", "The Left and Right\narrows move the key\none semitone.", P::kArrows},
           {561, "Scale", "MAJOR sounds\nbright, MINOR\nsounds dark.", P::kNote},
           {562, "Pentatonic", "Five-note scales:\nno wrong notes,\nan open sound.", P::kNote},
           {563, "Rhythm", "BASS adds a bass\nline, DRUMS a loop;\neach on or off.", P::kDrum},
           {564, "Sound plus", "STRINGS adds an\nensemble, VOICES\na choir.", P::kWave},
           {565, "Play mode", "CLOSE and OPEN\ngive the melody\nother shapes.", P::kWave},
           {566, "Force pitch", "FREE plays every\nsecond bar of a\nphrase backwards.", P::kArrows},
           {567, "Complexity", "SIMPLE melodies\nsing; COMPLEX ones\nwander more.", P::kGear},
           {568, "Motive", "FULL alternates two\nrhythms a phrase;\nBASIC keeps one.", P::kNote},
           {569, "Piano hands", "RIGHT HAND ONLY\nleaves out the low\npiano notes.", P::kHand},
           {570, "Tempo", "60 BPM is calm,\n90 BPM is lively.", P::kClock},
           {571, "Intensity", "Touch the keyboard\nstrip at the top for\npiano dynamics.", P::kKeys},
           {557, "Ready?", "GENERATE 5 MIN.\nor 15 MIN. composes\na new piece.", P::kPlay},
       }},
      {"generating", Hex(0xd9772b), {
           {495, "Composing", "Vorsk is writing\nyour piece, phrase\nby phrase.", P::kGear},
           {496, "8-bar phrases", "Each phrase is\neight bars built\non one motive.", P::kNote},
           {497, "A new motive", "Every phrase draws\nits own rhythm\nand melody.", P::kNote},
           {498, "Sequences", "The motive climbs\nor falls, bar by bar,\nthrough the phrase.", P::kArrows},
           {499, "Seeded", "The same seed and\noptions always give\nthe same music.", P::kGear},
           {500, "Piano first", "The piano melody\nis rendered first,\nin two voices.", P::kKeys},
           {501, "Chords", "Chords follow,\nunder the melody.", P::kKeys},
           {502, "Figures", "Accompaniment\nfigures give the\npiece its motion.", P::kWave},
           {503, "Low notes", "With FULL PIANO\nthe left hand adds\nlow notes.", P::kHand},
           {504, "Drums", "With DRUMS on, a\nloop is chosen for\neach section.", P::kDrum},
           {505, "Mixing", "Each track is mixed\ninto Mix.wav as\nsoon as it is done.", P::kWave},
           {506, "Progress", "The bar under\nGENERATE shows\nhow far it has got.", P::kClock},
           {507, "The fan", "While the fan\nturns, Vorsk\nis at work.", P::kFan},
           {508, "Changed mind?", "STOP cancels the\nrun; nothing of it\nis kept.", P::kStop},
           {509, "Leaving?", "EXIT stops the run\nand closes Vorsk.", P::kStop},
           {510, "Options wait", "Options are locked\nuntil the piece\nis ready.", P::kLamp},
           {511, "Status lamp", "The lamp goes out\nwhen the piece\nis ready.", P::kLamp},
           {512, "Samples", "Every note is a\nrecorded sample cut\nfrom the archives.", P::kFolder},
           {513, "Bass and pads", "Bass, strings and\nvoices follow the\nchords, if lit.", P::kWave},
           {592, "Session log", "log.txt keeps the\noptions of this\nsession.", P::kFolder},
           {494, "Almost there", "When the fan stops,\npress PLAY to\nlisten.", P::kPlay},
       }},
      {"generated", Hex(0x3a9b3f), {
           {599, "Ready!", "Your piece is\nready. Press PLAY\nto hear it.", P::kCheck},
           {600, "Keep it", "SAVE keeps the\nwhole session in\nthe Archive folder.", P::kSave},
           {601, "Unsaved?", "A piece not saved\nis removed when the\nnext one starts.", P::kSave},
           {602, "Your files", "Mix.wav, Piano.wav\nand log.txt, named\nby date and time.", P::kFolder},
           {603, "Try again", "Change an option,\ngenerate again:\nevery piece is new.", P::kGear},
           {604, "Piano only", "Piano.wav holds\nthe piano alone,\nfor practice.", P::kKeys},
           {605, "Find a key", "Press H to see the\nkey of every button.", P::kQuestion},
       }},
      {"paused", Hex(0xb8902a), {
           {521, "Paused", "The piece waits\nwhere you left it.", P::kPause},
           {522, "Resume", "Press PAUSE again\n(or U) to go on.", P::kPlay},
           {523, "Stop", "STOP (or T) ends\nthe playback.", P::kStop},
           {524, "Time", "The display shows\nminutes and seconds\nplayed.", P::kClock},
           {525, "Phrase number", "The small display\ncounts the 8-bar\nphrases.", P::kNote},
           {526, "Resting", "The tape machine\nrests while the\npiece is paused.", P::kTape},
           {527, "Options locked", "Options change only\nwhen the player\nis idle.", P::kLamp},
           {528, "Schematic", "Press H for a map\nof every button\nand key.", P::kQuestion},
           {529, "Help", "F1 or HELP opens\nthe help page.", P::kQuestion},
           {530, "Hints", "Q switches these\nhints off and on.", P::kLamp},
           {593, "Archive", "Saved sessions stay\nin the Archive\nfolder.", P::kFolder},
           {520, "Exit", "EXIT closes Vorsk;\nan unsaved piece\nis removed.", P::kStop},
       }},
      {"playing", Hex(0x2f78c4), {
           {533, "Playing", "Listen: nobody has\nheard this piece\nbefore.", P::kPlay},
           {534, "Pause", "PAUSE (or U) holds\nthe music; again\nto go on.", P::kPause},
           {535, "Stop", "STOP (or T) ends\nthe music for now.", P::kStop},
           {536, "Next phrase", "NEXT or Page Up\njumps ahead one\nphrase.", P::kArrows},
           {537, "Previous", "PREV. or Page Down\ngoes back one\nphrase.", P::kArrows},
           {538, "Keep a phrase", "SAVE now cuts the\nphrase you hear\ninto its own files.", P::kSave},
           {539, "Excerpts", "Saved phrases are\nnumbered files in\nthe Archive folder.", P::kFolder},
           {540, "Time", "The display counts\nminutes and\nseconds.", P::kClock},
           {541, "Phrase", "The phrase display\nshows which 8 bars\nyou hear.", P::kNote},
           {542, "Position", "The bar under the\nplayer shows how\nfar it has got.", P::kClock},
           {543, "The tape", "The reels turn as\nlong as the music\nplays.", P::kTape},
           {544, "Melody", "The piano plays\nthe motive and\nits sequence.", P::kKeys},
           {545, "Chords", "Chords hold the\nharmony under\nthe melody.", P::kKeys},
           {546, "Bass notes", "Low piano notes\nground each bar\n(FULL PIANO).", P::kHand},
           {547, "Drums", "A drum loop runs\nthrough each section\nwith DRUMS on.", P::kDrum},
           {548, "The motive", "Listen: the motive\nreturns, shifted,\nin every bar.", P::kNote},
           {549, "Sections", "Every eight bars\na new motive\nbegins.", P::kNote},
           {550, "In key", "Everything you hear\nis in the key\nyou chose.", P::kKeys},
           {551, "Steady tempo", "The tempo holds\nfor the whole\npiece.", P::kClock},
           {552, "Volume", "Set the loudness\nwith your desktop's\nvolume control.", P::kSpeaker},
           {553, "Options wait", "Options change\nonly after STOP.", P::kLamp},
           {554, "Another?", "STOP, change the\noptions and\ngenerate again.", P::kGear},
           {555, "Any player", "Mix.wav plays in\nany music player.", P::kFolder},
           {556, "Help", "F1 opens the help\npage; H shows the\nschematic view.", P::kQuestion},
           {532, "The end", "At the end of the\npiece the player\nstops by itself.", P::kCheck},
       }},
  };
  return series;
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
}

// A 24 x 24 pictogram at (x, y) in colour.
void PaintPictogram(cairo_t* cr, Pictogram p, double x, double y, Rgb colour) {
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_translate(cr, x, y);
  SetColour(cr, colour);
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  auto disc = [&](double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  };
  switch (p) {
    case P::kNote:
      cairo_save(cr); cairo_translate(cr, 8, 18); cairo_scale(cr, 1.3, 1); disc(0, 0, 4); cairo_restore(cr);
      cairo_fill(cr);
      cairo_rectangle(cr, 12, 3, 2, 15); cairo_fill(cr);
      Line(cr, 13, 4, 20, 9); cairo_stroke(cr);
      break;
    case P::kKeys:
      cairo_rectangle(cr, 1, 4, 22, 16); cairo_stroke(cr);
      for (double kx : {6.5, 12.0, 17.5}) { Line(cr, kx, 12, kx, 20); }
      cairo_stroke(cr);
      for (double kx : {4.5, 10.0, 15.5}) cairo_rectangle(cr, kx, 4, 4, 8);
      cairo_fill(cr);
      break;
    case P::kArrows:
      Line(cr, 2, 8, 20, 8); Line(cr, 15, 3, 20, 8); Line(cr, 15, 13, 20, 8);
      Line(cr, 22, 17, 4, 17); Line(cr, 9, 12, 4, 17); Line(cr, 9, 22, 4, 17);
      cairo_stroke(cr);
      break;
    case P::kDrum:
      cairo_save(cr); cairo_translate(cr, 12, 10); cairo_scale(cr, 1, 0.4); disc(0, 0, 9); cairo_restore(cr);
      cairo_stroke(cr);
      Line(cr, 3, 10, 3, 19); Line(cr, 21, 10, 21, 19); cairo_stroke(cr);
      cairo_save(cr); cairo_translate(cr, 12, 19); cairo_scale(cr, 1, 0.4); cairo_arc(cr, 0, 0, 9, 0, M_PI); cairo_restore(cr);
      cairo_stroke(cr);
      Line(cr, 6, 1, 11, 8); Line(cr, 18, 1, 13, 8); cairo_stroke(cr);
      break;
    case P::kWave:
      cairo_move_to(cr, 1, 12);
      for (int i = 0; i <= 22; ++i) cairo_line_to(cr, 1 + i, 12 - 8 * std::sin(i * 0.57) * std::exp(-i * 0.03));
      cairo_stroke(cr);
      break;
    case P::kGear:
      for (int k = 0; k < 8; ++k) {
        cairo_save(cr); cairo_translate(cr, 12, 12); cairo_rotate(cr, k * M_PI / 4);
        cairo_rectangle(cr, -2, -11, 4, 5); cairo_restore(cr);
      }
      cairo_fill(cr);
      disc(12, 12, 7); cairo_stroke(cr);
      disc(12, 12, 2.5); cairo_fill(cr);
      break;
    case P::kHand:
      cairo_rectangle(cr, 5, 11, 14, 11); cairo_fill(cr);
      for (int f = 0; f < 4; ++f) cairo_rectangle(cr, 5 + f * 3.6, 2 + (f == 0 || f == 3 ? 3 : 0), 2.6, 10);
      cairo_fill(cr);
      Line(cr, 19, 14, 23, 9); cairo_stroke(cr);
      break;
    case P::kClock:
      disc(12, 12, 10); cairo_stroke(cr);
      Line(cr, 12, 12, 12, 5); Line(cr, 12, 12, 17, 14); cairo_stroke(cr);
      break;
    case P::kPlay:
      cairo_move_to(cr, 5, 3); cairo_line_to(cr, 21, 12); cairo_line_to(cr, 5, 21); cairo_close_path(cr); cairo_fill(cr);
      break;
    case P::kPause:
      cairo_rectangle(cr, 5, 3, 5, 18); cairo_rectangle(cr, 14, 3, 5, 18); cairo_fill(cr);
      break;
    case P::kStop:
      cairo_rectangle(cr, 4, 4, 16, 16); cairo_fill(cr);
      break;
    case P::kSave:
      cairo_rectangle(cr, 2, 2, 20, 20); cairo_stroke(cr);
      cairo_rectangle(cr, 6, 2, 12, 7); cairo_fill(cr);
      cairo_rectangle(cr, 6, 13, 12, 7); cairo_stroke(cr);
      break;
    case P::kFolder:
      cairo_move_to(cr, 1, 6); cairo_line_to(cr, 9, 6); cairo_line_to(cr, 11, 9); cairo_line_to(cr, 23, 9);
      cairo_line_to(cr, 23, 21); cairo_line_to(cr, 1, 21); cairo_close_path(cr); cairo_stroke(cr);
      break;
    case P::kLamp:
      disc(12, 9, 7); cairo_stroke(cr);
      cairo_rectangle(cr, 8, 17, 8, 5); cairo_fill(cr);
      Line(cr, 12, 5, 12, 11); cairo_stroke(cr);
      break;
    case P::kFan:
      for (int k = 0; k < 3; ++k) {
        cairo_save(cr); cairo_translate(cr, 12, 12); cairo_rotate(cr, k * 2 * M_PI / 3);
        cairo_move_to(cr, 0, 0); cairo_curve_to(cr, 3, -6, 9, -8, 10, -2); cairo_close_path(cr); cairo_restore(cr);
      }
      cairo_fill(cr);
      disc(12, 12, 11); cairo_stroke(cr);
      break;
    case P::kTape:
      cairo_rectangle(cr, 1, 4, 22, 16); cairo_stroke(cr);
      disc(7, 11, 3); disc(17, 11, 3); cairo_stroke(cr);
      Line(cr, 7, 17, 17, 17); cairo_stroke(cr);
      break;
    case P::kCheck:
      cairo_set_line_width(cr, 3.5);
      Line(cr, 3, 13, 9, 19); cairo_line_to(cr, 21, 5); cairo_stroke(cr);
      break;
    case P::kQuestion:
      disc(12, 12, 10.5); cairo_fill(cr);
      SetColour(cr, Hex(0xfbf7ea));
      cairo_arc(cr, 12, 9, 4, M_PI, 2.3 * M_PI); cairo_line_to(cr, 12, 14.5); cairo_stroke(cr);
      disc(12, 18.5, 1.6); cairo_fill(cr);
      break;
    case P::kSpeaker:
      cairo_move_to(cr, 2, 9); cairo_line_to(cr, 7, 9); cairo_line_to(cr, 13, 3); cairo_line_to(cr, 13, 21);
      cairo_line_to(cr, 7, 15); cairo_line_to(cr, 2, 15); cairo_close_path(cr); cairo_fill(cr);
      cairo_arc(cr, 13, 12, 5, -0.9, 0.9); cairo_stroke(cr);
      cairo_arc(cr, 13, 12, 9, -0.9, 0.9); cairo_stroke(cr);
      break;
  }
  cairo_restore(cr);
}

Surface PaintPage(const Series& series, size_t index) {
  const Page& page = series.pages[index];
  Surface s = NewPicture(110, 110);
  Context c = NewContext(s);
  cairo_t* cr = c.get();
  FillRect(cr, {0, 0, 110, 110}, Hex(0xfbf7ea));
  FillRect(cr, {0, 0, 110, 21}, series.colour);
  TextStyle title;
  title.px = 12;
  title.bBold = true;
  title.bCondensed = true;
  title.colour = Hex(0xffffff);
  DrawText(cr, page.title, {3, 1, 104, 19}, title);
  TextStyle body;
  body.px = 10.5;
  body.bCondensed = true;
  body.colour = Hex(0x1d2622);
  body.align = Align::kLeft;
  DrawText(cr, page.body, {5, 23, 102, 55}, body);
  PaintPictogram(cr, page.pictogram, 6, 81, series.colour);
  TextStyle number = body;
  number.px = 10;
  number.align = Align::kRight;
  number.colour = Hex(0x6b746f);
  DrawText(cr, std::to_string(index + 1) + " / " + std::to_string(series.pages.size()), {50, 90, 55, 14}, number);
  cairo_rectangle(cr, 0.5, 0.5, 109, 109);
  SetColour(cr, Mix(series.colour, Hex(0x000000), 0.3));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  return s;
}

}  // namespace

std::vector<Picture> MakeManualPages() {
  std::vector<Picture> pages;
  std::set<std::string> texts;
  for (const Series& series : AllSeries())
    for (size_t i = 0; i < series.pages.size(); ++i) {
      const Page& p = series.pages[i];
      if (!texts.insert(std::string(p.title) + "|" + p.body).second) {
        std::fprintf(stderr, "artwork: manual page %d repeats another page\n", p.nId);
        ++OverflowCount();
      }
      pages.push_back({p.nId, std::string(series.name) + " " + std::to_string(i + 1), PaintPage(series, i)});
    }
  return pages;
}

}  // namespace artwork
