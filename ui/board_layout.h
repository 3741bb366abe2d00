// The board's fixed geometry: the controls drawn over the background picture, the rectangles
// that a left click is tested against, the keyboard shortcuts and the user manual's series.
//
// Plain data and lookups, no window system. Coordinates are client pixels of the 1000 x 690
// board; hit rectangles are inclusive at both ends. Any thread (everything here is constant).
#pragma once

#include <span>

namespace ui {

inline constexpr int kBoardWidth = 1000;
inline constexpr int kBoardHeight = 690;
inline constexpr int kBoardBitmap = 596;
inline constexpr int kSplashBitmap = 609;
inline constexpr int kIconBitmap = 208;
inline constexpr int kAboutBitmap = 207;
inline constexpr const char* kWindowTitle = "Vorsk 2.1.0";
inline constexpr const char* kAboutText = "Vorsk Version 2.1.0";
inline constexpr const char* kAboutCaption = "About Vorsk";
inline constexpr const char* kHelpCaption = "Vorsk - Help";

// Controls that the window handles by id beyond the view's list.
inline constexpr int kGenerate5Indicator = 1047;
inline constexpr int kGenerate15Indicator = 1048;
inline constexpr int kStatusLabel = 1064;
inline constexpr int kManualPicture = 1075;
inline constexpr int kStatusLamp = 1076;
inline constexpr int kIntensityStrip = 1077;
inline constexpr int kSchematicView = 1078;
inline constexpr int kGenerationFrame = 1045;
inline constexpr int kPlaybackFrame = 1044;
inline constexpr int kPermanentFrame = 1046;

// The user manual turns a page this often (window timer 2).
inline constexpr int kManualPeriodMs = 5333;
inline constexpr int kSeriesOff = 1;

enum class ControlKind { Bitmap, Progress, Label, Frame };

struct Rect {
  int x, y, w, h;  // w or h 0: the size of the control's picture
};

struct ControlInfo {
  int id;
  ControlKind kind;
  Rect rect;
  int bitmap;  // 0: set at run time, or none
  bool bVisibleAtCreation;
};

// Every control of the board in creation (and drawing) order.
std::span<const ControlInfo> BoardControls();
const ControlInfo* FindControl(int id);

// One user manual series: its pages' bitmap ids, page 1 onward.
std::span<const int> ManualPages(int series);

// The hit-test rows. A row matches when the point lies in its rectangle (inclusive), or
// anywhere for kAnywhere; bStop ends the test after its action.
enum class HitAction {
  PrevPhrase, NextPhrase, CloseSchematic, OpenSchematic, ToggleManual, Exit, Stop, Play,
  Pause, Save, Help, StateGate, Tempo, ForcePitch, Harmony, Rhythm, PlayMode, Scale, Note,
  PCI, Motive, Hand, PianoInt, Generate5, Generate15, Default
};
struct HitRow {
  int x0, x1, y0, y1;  // inclusive; x0 < 0: any point
  HitAction action;
  const char* code;  // the option code the row sets, or nullptr
  bool bStop;
};
std::span<const HitRow> HitRows();

// Keys that are not letters or digits.
enum class Key { Other, PageUp, PageDown, Left, Right, Up, Down, F1, Escape, Return };
// The top-left corner of the hit rectangle of the row with this action (and this option code,
// when given): where a key that presses that button clicks. false when there is no such row.
bool ButtonPoint(HitAction action, const char* code, int& x, int& y);
// The point a letter (either case) or a digit clicks, or false when the key has no click.
bool KeyClickPoint(char key, int& x, int& y);

}  // namespace ui
