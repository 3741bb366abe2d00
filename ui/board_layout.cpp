#include "ui/board_layout.h"

#include <cctype>
#include <cstring>

namespace ui {
namespace {

using K = ControlKind;

constexpr ControlInfo kControls[] = {
    {1002, K::Bitmap, {170, 110, 50, 80}, 373, false},
    {1003, K::Bitmap, {230, 110, 50, 80}, 385, false},
    {1004, K::Bitmap, {290, 110, 50, 80}, 384, false},
    {1005, K::Bitmap, {350, 110, 50, 80}, 387, false},
    {1006, K::Bitmap, {410, 110, 50, 80}, 381, false},
    {1007, K::Bitmap, {470, 110, 50, 80}, 380, false},
    {1008, K::Bitmap, {530, 110, 50, 80}, 379, false},
    {1009, K::Bitmap, {590, 110, 50, 80}, 378, false},
    {1010, K::Bitmap, {650, 110, 50, 80}, 377, false},
    {1011, K::Bitmap, {710, 110, 50, 80}, 371, false},
    {1012, K::Bitmap, {770, 110, 50, 80}, 372, false},
    {1013, K::Bitmap, {830, 110, 50, 80}, 376, false},
    {1014, K::Bitmap, {160, 200, 80, 50}, 295, false},
    {1015, K::Bitmap, {250, 200, 80, 50}, 296, false},
    {1017, K::Bitmap, {430, 200, 80, 50}, 297, false},
    {1018, K::Bitmap, {520, 200, 80, 50}, 298, false},
    {1025, K::Bitmap, {160, 260, 80, 50}, 369, false},
    {1068, K::Bitmap, {250, 260, 80, 50}, 370, false},
    {1074, K::Bitmap, {160, 320, 80, 50}, 367, true},
    {1073, K::Bitmap, {250, 320, 80, 50}, 368, true},
    {1020, K::Bitmap, {160, 380, 80, 50}, 310, false},
    {1019, K::Bitmap, {250, 380, 80, 50}, 309, false},
    {1028, K::Bitmap, {160, 440, 80, 50}, 305, false},
    {1030, K::Bitmap, {250, 440, 80, 50}, 306, false},
    {1050, K::Bitmap, {160, 500, 80, 50}, 311, false},
    {1049, K::Bitmap, {250, 500, 80, 50}, 312, false},
    {1069, K::Bitmap, {160, 560, 80, 50}, 313, true},
    {1070, K::Bitmap, {250, 560, 80, 50}, 314, true},
    {1071, K::Bitmap, {344, 409, 110, 60}, 316, true},
    {1072, K::Bitmap, {344, 506, 110, 60}, 317, true},
    {1033, K::Bitmap, {710, 220, 80, 50}, 299, false},
    {1034, K::Bitmap, {800, 220, 80, 50}, 300, false},
    {1047, K::Bitmap, {710, 310, 80, 50}, 303, false},
    {1048, K::Bitmap, {800, 310, 80, 50}, 304, false},
    {1000, K::Bitmap, {665, 420, 80, 50}, 301, false},
    {1062, K::Bitmap, {755, 420, 80, 50}, 366, false},
    {1061, K::Bitmap, {845, 420, 80, 50}, 302, true},
    {1051, K::Bitmap, {710, 510, 80, 50}, 282, false},
    {1052, K::Progress, {710, 365, 170, 10}, 0, false},
    {1059, K::Progress, {710, 485, 170, 10}, 0, false},
    {1054, K::Bitmap, {900, 110, 0, 0}, 0, false},
    {1055, K::Bitmap, {915, 110, 0, 0}, 0, false},
    {1056, K::Bitmap, {940, 110, 0, 0}, 0, false},
    {1057, K::Bitmap, {955, 110, 0, 0}, 0, false},
    {1065, K::Bitmap, {910, 245, 25, 30}, 0, false},
    {1066, K::Bitmap, {935, 245, 25, 30}, 0, false},
    {1076, K::Bitmap, {928, 173, 14, 14}, 363, true},
    {1075, K::Bitmap, {345, 265, 110, 110}, 0, true},
    // The intensity strip goes under the schematic view, which covers the board.
    {1077, K::Bitmap, {275, 17, 490, 40}, 365, false},
    {1078, K::Bitmap, {50, 20, 900, 619}, 608, false},
    {1045, K::Frame, {513, 290, 89, 89}, 0, false},
    {1044, K::Frame, {487, 411, 144, 69}, 0, false},
    {1046, K::Frame, {616, 200, 80, 50}, 0, false},
    {1064, K::Label, {10, 645, 600, 15}, 0, true},
};

constexpr int kIdlePages[] = {558, 559, 560, 561, 562, 563, 564, 565, 566, 567, 568, 569, 570, 571, 557};
constexpr int kGeneratingPages[] = {495, 496, 497, 498, 499, 500, 501, 502, 503, 504, 505,
                                    506, 507, 508, 509, 510, 511, 512, 513, 592, 494};
constexpr int kGeneratedPages[] = {599, 600, 601, 602, 603, 604, 605};
constexpr int kPausedPages[] = {521, 522, 523, 524, 525, 526, 527, 528, 529, 530, 593, 520};
constexpr int kPlayingPages[] = {533, 534, 535, 536, 537, 538, 539, 540, 541, 542, 543, 544, 545,
                                 546, 547, 548, 549, 550, 551, 552, 553, 554, 555, 556, 532};

using A = HitAction;
constexpr HitRow kRows[] = {
    {895, 920, 300, 330, A::PrevPhrase, nullptr, true},
    {940, 965, 300, 330, A::NextPhrase, nullptr, true},
    {-1, 0, 0, 0, A::CloseSchematic, nullptr, true},
    {470, 650, 550, 575, A::OpenSchematic, nullptr, false},
    {345, 455, 265, 375, A::ToggleManual, nullptr, true},
    {800, 875, 510, 565, A::Exit, nullptr, true},
    {845, 925, 420, 470, A::Stop, nullptr, true},
    {665, 745, 420, 470, A::Play, nullptr, false},
    {755, 835, 420, 470, A::Pause, nullptr, false},
    {710, 790, 510, 560, A::Save, nullptr, false},
    {70, 120, 60, 80, A::Help, nullptr, false},
    {-1, 0, 0, 0, A::StateGate, nullptr, false},
    {710, 790, 220, 270, A::Tempo, "60", false},
    {800, 880, 220, 270, A::Tempo, "90", false},
    {160, 240, 440, 490, A::ForcePitch, "Reg", false},
    {250, 330, 440, 490, A::ForcePitch, "Fre", false},
    {160, 240, 260, 310, A::Harmony, "S", false},
    {250, 330, 260, 310, A::Harmony, "V", false},
    {160, 240, 320, 370, A::Rhythm, "B", false},
    {250, 330, 320, 370, A::Rhythm, "D", false},
    {250, 330, 380, 430, A::PlayMode, "Ope", false},
    {160, 240, 380, 430, A::PlayMode, "Clo", false},
    {160, 240, 200, 250, A::Scale, "Maj", false},
    {250, 330, 200, 250, A::Scale, "Min", false},
    {430, 510, 200, 250, A::Scale, "PMaj", false},
    {520, 600, 200, 250, A::Scale, "PMin", false},
    {170, 220, 110, 190, A::Note, "C", false},
    {230, 280, 110, 190, A::Note, "CD", false},
    {290, 340, 110, 190, A::Note, "D", false},
    {350, 400, 110, 190, A::Note, "DE", false},
    {410, 460, 110, 190, A::Note, "E", false},
    {470, 520, 110, 190, A::Note, "F", false},
    {530, 580, 110, 190, A::Note, "FG", false},
    {590, 640, 110, 190, A::Note, "G", false},
    {650, 700, 110, 190, A::Note, "GA", false},
    {710, 760, 110, 190, A::Note, "A", false},
    {770, 820, 110, 190, A::Note, "AB", false},
    {830, 880, 110, 190, A::Note, "B", false},
    {160, 240, 500, 550, A::PCI, "Sim", false},
    {250, 330, 500, 550, A::PCI, "Com", false},
    {160, 240, 560, 610, A::Motive, "B", false},
    {250, 330, 560, 610, A::Motive, "F", false},
    {344, 454, 506, 566, A::Hand, "R", false},
    {344, 454, 409, 469, A::Hand, "F", false},
    {275, 765, 17, 57, A::PianoInt, nullptr, false},
    {710, 790, 310, 360, A::Generate5, "5", false},
    {800, 880, 310, 360, A::Generate15, "15", true},
    {-1, 0, 0, 0, A::Default, nullptr, false},
};

// The button each letter or digit key presses; the key clicks the top-left corner of that
// button's hit rectangle, so it does exactly what a click there does.
struct KeyButton {
  char key;
  HitAction action;
  const char* code;  // for rows that share an action; nullptr: the action's only row
};
constexpr KeyButton kKeyButtons[] = {
    {'1', A::Generate15, nullptr}, {'5', A::Generate5, nullptr}, {'6', A::Tempo, "60"},
    {'9', A::Tempo, "90"},         {'A', A::ForcePitch, "Reg"},  {'B', A::Rhythm, "B"},
    {'C', A::PlayMode, "Clo"},     {'D', A::Rhythm, "D"},        {'E', A::PCI, "Com"},
    {'F', A::ForcePitch, "Fre"},   {'G', A::Harmony, "S"},       {'H', A::OpenSchematic, nullptr},
    {'I', A::Motive, "B"},         {'J', A::Scale, "PMaj"},      {'L', A::Motive, "F"},
    {'M', A::Scale, "Maj"},        {'N', A::Scale, "PMin"},      {'O', A::PlayMode, "Ope"},
    {'P', A::PCI, "Sim"},          {'Q', A::ToggleManual, nullptr}, {'R', A::Scale, "Min"},
    {'S', A::Save, nullptr},       {'T', A::Stop, nullptr},      {'U', A::Pause, nullptr},
    {'V', A::Harmony, "V"},        {'W', A::PianoInt, nullptr},  {'X', A::Exit, nullptr},
    {'Y', A::Play, nullptr},
};

}  // namespace

std::span<const ControlInfo> BoardControls() { return kControls; }

const ControlInfo* FindControl(int id) {
  for (const ControlInfo& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::span<const int> ManualPages(int series) {
  switch (series) {
    case 2: return kIdlePages;
    case 3: return kGeneratingPages;
    case 4: return kGeneratedPages;
    case 5: return kPausedPages;
    case 6: return kPlayingPages;
    default: return {};
  }
}

std::span<const HitRow> HitRows() { return kRows; }

bool ButtonPoint(HitAction action, const char* code, int& x, int& y) {
  for (const HitRow& row : kRows) {
    if (row.action != action || row.x0 < 0) continue;
    if (code && (!row.code || std::strcmp(code, row.code) != 0)) continue;
    x = row.x0;
    y = row.y0;
    return true;
  }
  return false;
}

bool KeyClickPoint(char key, int& x, int& y) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  for (const KeyButton& button : kKeyButtons) {
    if (button.key == upper) return ButtonPoint(button.action, button.code, x, y);
  }
  return false;
}

}  // namespace ui
