// Where everything sits on the board (1000 x 690 client pixels): every button with its label,
// the bitmap of its lit picture, and the group it belongs to; displays and frames. The board,
// the indicator pictures and the schematic view are all drawn from this one table, so a lit
// picture always matches the button beneath it.
#pragma once

#include <string>
#include <vector>

#include "paint.h"

namespace artwork {

constexpr int kBoardWidth = 1000;
constexpr int kBoardHeight = 690;

enum class ButtonShape { kCap, kWhiteKey, kBlackKey, kSmall, kManual, kStrip };
enum class ButtonIcon { kNone, kPlay, kPause, kStop, kPrev, kNext };

struct BoardButton {
  int nBitmap;        // lit picture, 0 when the button has none
  Box rect;           // the control's rectangle (the hit rectangle of the same button)
  std::string label;  // may hold '\n'
  ButtonShape shape;
  Rgb lit;            // colour of the light when lit
  std::string key;    // keyboard shortcut, shown on the schematic view ("" when none)
  ButtonIcon icon = ButtonIcon::kNone;
};

enum class Group { kNote, kScale, kHarmony, kRhythm, kPlayMode, kPitch, kComplexity, kMotive, kHand,
                   kTempo, kGenerate, kPlayer, kPhrase, kIntensity, kGuides };

struct ButtonGroup {
  Group group;
  std::string title;    // painted on the board
  std::string caption;  // small line under the title ("" for none)
  Box titleBox;
  std::string explanation;  // for the schematic view
  std::vector<BoardButton> buttons;
};

const std::vector<ButtonGroup>& BoardGroups();

// Displays and frames that are not buttons.
constexpr Box kTimeDigits[4] = {{900, 110, 15, 25}, {915, 110, 15, 25}, {940, 110, 15, 25}, {955, 110, 15, 25}};
constexpr Box kPhraseDigits[2] = {{910, 245, 25, 30}, {935, 245, 25, 30}};
constexpr Box kGenerationBar{710, 365, 170, 10};
constexpr Box kPositionBar{710, 485, 170, 10};
constexpr Box kStatusLamp{928, 173, 14, 14};
constexpr Box kManualWindow{345, 265, 110, 110};
constexpr Box kStatusLabel{10, 645, 600, 15};
constexpr Box kKeyboardStrip{275, 17, 490, 40};
constexpr Box kFanFrame{513, 290, 89, 89};
constexpr Box kTapeFrame{487, 411, 144, 69};
constexpr Box kLogoFrame{616, 200, 80, 50};
constexpr Box kSchematic{50, 20, 900, 619};

// Colours of the board shared by every picture.
namespace colours {
constexpr Rgb kBoard = Hex(0x123f2f);
constexpr Rgb kBoardDark = Hex(0x0c2f22);
constexpr Rgb kTrace = Hex(0x2f6a4e);
constexpr Rgb kPad = Hex(0xc8a14e);
constexpr Rgb kSilk = Hex(0xf4f1e4);
constexpr Rgb kSilkDim = Hex(0xa8cbb8);
constexpr Rgb kCapTop = Hex(0x3b4742);
constexpr Rgb kCapBottom = Hex(0x222a27);
constexpr Rgb kCapEdge = Hex(0x73877d);
constexpr Rgb kCapText = Hex(0xeef2ec);
constexpr Rgb kGlass = Hex(0x0d1110);
constexpr Rgb kLedOff = Hex(0x241b18);
constexpr Rgb kLed = Hex(0xff6a3d);
constexpr Rgb kAmber = Hex(0xffc23d);
constexpr Rgb kGreen = Hex(0x63e27e);
constexpr Rgb kRed = Hex(0xff5b4f);
constexpr Rgb kBlue = Hex(0x62c0ff);
constexpr Rgb kCyan = Hex(0x59e3e0);
constexpr Rgb kOrange = Hex(0xff9a3c);
constexpr Rgb kBarTrough = Hex(0x969593);  // the progress bars' background, RGB 150 149 147
}  // namespace colours

}  // namespace artwork
