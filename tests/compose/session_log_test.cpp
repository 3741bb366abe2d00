// Reading a session log back: every log Compose writes for the option set's codes gives back
// those codes and the identifier, and anything else is refused at the line that is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "compose/composer.h"
#include "compose/session_log.h"
#include "support/fixtures.h"

namespace {

struct Options {
  const char *note, *scale, *playMode, *rhythm, *harmony, *forcePitch, *tempo, *length, *pci,
      *motive, *hand, *pianoInt;
};

// Together the rows use every code of every option; letter sets in both orders.
const Options kRows[] = {
    {"C", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"CD", "Min", "Ope", "B", "S", "Fre", "90", "15", "Com", "F", "R", "P"},
    {"DE", "PMaj", "Clo", "", "V", "Reg", "60", "1", "Sim", "B", "F", "Abcd"},
    {"FG", "PMin", "Ope", "DB", "VS", "Fre", "90", "60", "Com", "F", "R", "C"},
    {"GA", "Maj", "Clo", "BD", "SV", "Reg", "60", "7", "Sim", "B", "F", "C"},
    {"AB", "Min", "Clo", "D", "", "Reg", "90", "5", "Sim", "B", "F", "C"},
    {"D", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"E", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"F", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"G", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"A", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
    {"B", "Maj", "Clo", "D", "", "Reg", "60", "5", "Sim", "B", "F", "C"},
};

bool SameLetters(std::string a, std::string b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

TEST(SessionLog, ReadsBackWhatComposeWrote) {
  fixtures::ScratchDir dir;
  auto composer = std::make_unique<CComposer>();
  composer->m_bFixedSessionId = true;
  uint32_t id = 4294967295u;
  for (const Options& o : kRows) {
    SCOPED_TRACE(std::string(o.note) + " " + o.scale + " " + o.rhythm + "/" + o.harmony);
    composer->m_nFixedSessionId = id;
    const std::string prefix = dir.File("s_");
    composer->Compose(prefix, o.note, o.scale, o.playMode, o.rhythm, o.harmony, o.forcePitch, o.tempo,
                      o.length, o.pci, o.motive, o.hand, o.pianoInt, "");
    std::string text;
    ASSERT_EQ(ReadSessionLogText(prefix + "log.txt", text), 0);
    LoggedSession read;
    int line = 0;
    std::string why;
    ASSERT_EQ(ReadSessionLog(text, read, &line, &why), kSessionLogRead) << line << ": " << why << "\n" << text;
    EXPECT_EQ(read.strNote, o.note);
    EXPECT_EQ(read.strScale, o.scale);
    EXPECT_EQ(read.strPlayMode, o.playMode);
    EXPECT_TRUE(SameLetters(read.strRhythm, o.rhythm)) << read.strRhythm;
    EXPECT_TRUE(SameLetters(read.strHarmony, o.harmony)) << read.strHarmony;
    EXPECT_EQ(read.strForcePitch, o.forcePitch);
    EXPECT_EQ(read.strTempo, o.tempo);
    EXPECT_EQ(read.strLength, o.length);
    EXPECT_EQ(read.strPCI, o.pci);
    EXPECT_EQ(read.strMotive, o.motive);
    EXPECT_EQ(read.strHand, o.hand);
    EXPECT_EQ(read.strPianoInt, std::string(o.pianoInt) == "C" ? "C" : "P");  // on is on
    EXPECT_EQ(read.nSessionId, id);
    EXPECT_EQ(read.strStarted.size(), 16u) << read.strStarted;  // "2026-12-08 15:14"
    id = id / 7;
  }
}

std::string Log(const std::string& id = "31337") {
  return "Vorsk generate started at: 2026-12-08 15:14\r\n\r\nParameters:\r\n Note: F#\r\n"
         " Scale: PentatonMinor\r\n SoundPlus: Strings Voices \r\n Rhythm: Bass Drums\r\n"
         " Play mode: Open\r\n Force pitch: Free\r\n Melody/Song: Complex\r\n Motive: Full\r\n"
         " Piano mode: Right hand\r\n Intensity: Yes\r\n Tempo: 90\r\n Generate: 15 min.\r\n"
         " Session ID: " + id;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(SessionLog, AcceptsOtherLineEndsAndAnUndatedHeader) {
  const std::string lf = [] {
    std::string text = Log();
    for (size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
    return text;
  }();
  for (const std::string& text : {Log(), Log() + "\r\n", lf, lf + "\n",
                                  Replace(Log(), "Vorsk generate started at: 2026-12-08 15:14", "")}) {
    LoggedSession read;
    ASSERT_EQ(ReadSessionLog(text, read, nullptr, nullptr), kSessionLogRead) << text;
    EXPECT_EQ(read.strNote, "FG");
    EXPECT_EQ(read.nSessionId, 31337u);
  }
}

TEST(SessionLog, RefusesAnythingElseNamingTheLine) {
  const struct {
    std::string text;
    int line;
    const char* says;
  } cases[] = {
      {"", 1, "not a session log"},
      {std::string("RIFF\x24\x08\0\0WAVEfmt ", 16), 1, "not a session log"},
      {Log() + std::string(kMaxSessionLogBytes, ' '), 1, "more than 4096 bytes"},
      {Replace(Log(), "\r\n\r\nParameters", "\r\nParameters"), 2, "empty line"},
      {Replace(Log(), "Parameters:", "Parameter:"), 3, "Parameters:"},
      {Replace(Log(), "Note: F#", "Note: Gb"), 4, "\"C#\""},
      {Replace(Log(), "Note: F#", "Note: E#"), 4, " Note: "},
      {Replace(Log(), "PentatonMinor", "Dorian"), 5, "\"PentatonMajor\""},
      {Replace(Log(), "Strings Voices ", "Strings Voices"), 6, "\"Strings Voices \""},
      {Replace(Log(), "Bass Drums", "Drums Bass"), 7, " Rhythm: "},
      {Replace(Log(), " Play mode: Open\r\n", ""), 8, " Play mode: "},
      {Replace(Log(), "Intensity: Yes", "Intensity: yes"), 13, "\"Yes\""},
      {Replace(Log(), "Tempo: 90", "Tempo: 120"), 14, "\"60\" or \"90\""},
      {Replace(Log(), "15 min.", "0 min."), 15, "1 to 60"},
      {Replace(Log(), "15 min.", "61 min."), 15, "1 to 60"},
      {Replace(Log(), "15 min.", "015 min."), 15, "1 to 60"},
      {Replace(Log(), "15 min.", "15 min"), 15, "1 to 60"},
      {Log("4294967296"), 16, "0 to 4294967295"},
      {Log("007"), 16, "0 to 4294967295"},
      {Log("-1"), 16, "0 to 4294967295"},
      {Log(""), 16, "Session ID"},
      {Log().substr(0, Log().find(" Tempo")), 14, " Tempo: "},
      {Log() + "\r\n\r\n", 17, "end of the log"},
      {Log() + "\r\nmore", 17, "end of the log"},
  };
  for (const auto& c : cases) {
    LoggedSession read;
    read.strNote = "unchanged";
    int line = 0;
    std::string why;
    EXPECT_EQ(ReadSessionLog(c.text, read, &line, &why), kSessionLogRefused) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
    EXPECT_NE(why.find(c.says), std::string::npos) << why;
    EXPECT_EQ(read.strNote, "unchanged");
  }
}

}  // namespace
