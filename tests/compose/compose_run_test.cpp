// Compose: option decoding, the session log, the session identifier, the time base, and what
// holds for every plan.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "support/fixtures.h"

namespace {

struct Opts {
  std::string note = "C", scale = "Maj", playMode = "Clo", rhythm = "D", harmony = "",
              forcePitch = "Reg", tempo = "60", length = "5", pci = "Sim", motive = "B",
              hand = "F", pianoInt = "C";
};

int ComposeWith(CComposer& c, const std::string& prefix, const Opts& o) {
  return c.Compose(prefix, o.note, o.scale, o.playMode, o.rhythm, o.harmony, o.forcePitch,
                   o.tempo, o.length, o.pci, o.motive, o.hand, o.pianoInt, "");
}

std::string LogText(const std::string& path) {
  const std::vector<unsigned char> bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

class ComposeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz) m_oldTz = tz;
    m_hadTz = tz != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
    platform::SetClock(&m_clock);
  }
  void TearDown() override {
    platform::SetClock(nullptr);
    if (m_hadTz) {
      setenv("TZ", m_oldTz.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::string Prefix() const { return m_dir.Path() + "/260101_120000_"; }
  std::string LogPath() const { return Prefix() + "log.txt"; }

  fixtures::ScratchDir m_dir;
  // 2024-03-05 14:07:09 UTC; its folded identifier is 223305088.
  platform::CFixedClock m_clock{1709647629};
  std::unique_ptr<CComposer> c = std::make_unique<CComposer>();

 private:
  std::string m_oldTz;
  bool m_hadTz = false;
};

TEST_F(ComposeRun, LogIsWrittenByteForByte) {
  Opts o;
  o.note = "FG";
  o.scale = "PMin";
  o.playMode = "Ope";
  o.rhythm = "DB";
  o.harmony = "S";
  o.forcePitch = "Fre";
  o.tempo = "90";
  o.length = "15";
  o.pci = "Com";
  o.motive = "F";
  o.hand = "R";
  o.pianoInt = "P";
  ASSERT_EQ(ComposeWith(*c, Prefix(), o), 43);
  EXPECT_EQ(LogText(LogPath()),
            "Vorsk generate started at: 2024-03-05 14:07\r\n"
            "\r\n"
            "Parameters:\r\n"
            " Note: F#\r\n"
            " Scale: PentatonMinor\r\n"
            " SoundPlus: Strings \r\n"
            " Rhythm: Bass Drums\r\n"
            " Play mode: Open\r\n"
            " Force pitch: Free\r\n"
            " Melody/Song: Complex\r\n"
            " Motive: Full\r\n"
            " Piano mode: Right hand\r\n"
            " Intensity: Yes\r\n"
            " Tempo: 90\r\n"
            " Generate: 15 min.\r\n"
            " Session ID: 223305088");
  EXPECT_EQ(c->m_nSessionId, 223305088u);
}

TEST_F(ComposeRun, LogWordsForTheOtherCodes) {
  Opts o;  // the start-up defaults
  o.harmony = "VS";
  ASSERT_EQ(ComposeWith(*c, Prefix(), o), 10);
  EXPECT_EQ(LogText(LogPath()),
            "Vorsk generate started at: 2024-03-05 14:07\r\n\r\nParameters:\r\n"
            " Note: C\r\n Scale: Major\r\n SoundPlus: Strings Voices \r\n Rhythm: Drums\r\n"
            " Play mode: Close\r\n Force pitch: Regular\r\n Melody/Song: Simple\r\n"
            " Motive: Basic\r\n Piano mode: Full\r\n Intensity: No\r\n Tempo: 60\r\n"
            " Generate: 5 min.\r\n Session ID: 223305088");

  o.rhythm = "";
  o.harmony = "";
  o.scale = "Min";
  o.note = "AB";
  ASSERT_EQ(ComposeWith(*c, Prefix(), o), 10);
  const std::string log = LogText(LogPath());
  EXPECT_NE(log.find(" Note: A#\r\n Scale: Minor\r\n SoundPlus: None\r\n Rhythm: None\r\n"),
            std::string::npos)
      << log;
  o.rhythm = "B";
  o.scale = "PMaj";
  ASSERT_EQ(ComposeWith(*c, Prefix(), o), 10);
  EXPECT_NE(LogText(LogPath()).find(" Scale: PentatonMajor\r\n SoundPlus: None\r\n Rhythm: Bass \r\n"),
            std::string::npos);
}

TEST_F(ComposeRun, SessionIdFoldsTheClockAndCanBeFixed) {
  m_clock.Set(0x01020304);
  EXPECT_EQ(c->MakeSessionId(), ((4u * 257 + 3) * 257 + 2) * 257 + 1);
  m_clock.Set(0);
  EXPECT_EQ(c->MakeSessionId(), 0u);
  // Bytes 0xFF fold with wrap-around in 32 bits.
  m_clock.Set(0xFFFFFFFF);
  EXPECT_EQ(c->MakeSessionId(), static_cast<uint32_t>(((255ull * 257 + 255) * 257 + 255) * 257 + 255));

  c->m_bFixedSessionId = true;
  c->m_nFixedSessionId = 4000000000u;
  EXPECT_EQ(c->MakeSessionId(), 4000000000u);
  ASSERT_EQ(ComposeWith(*c, Prefix(), Opts()), 10);
  EXPECT_EQ(c->m_nSessionId, 4000000000u);
  const std::string log = LogText(LogPath());
  EXPECT_EQ(log.substr(log.rfind("\r\n") + 2), " Session ID: 4000000000");
}

TEST_F(ComposeRun, TimeBaseExamples) {
  struct Case {
    const char* tempo;
    const char* length;
    int bars;
    double eighthMs;
  };
  const Case cases[] = {{"60", "5", 80, 500}, {"60", "15", 232, 500}, {"90", "5", 120, 333},
                        {"90", "15", 344, 333}, {"60", "1", 16, 500}, {"60", "0", 8, 500}};
  for (const Case& k : cases) {
    Opts o;
    o.tempo = k.tempo;
    o.length = k.length;
    EXPECT_EQ(ComposeWith(*c, Prefix(), o), k.bars / 8) << k.tempo << " " << k.length;
    EXPECT_EQ(c->m_nBars, k.bars);
    EXPECT_EQ(c->m_nTempo, std::atoi(k.tempo));
    EXPECT_DOUBLE_EQ(c->m_dBarSeconds, 240.0 / std::atoi(k.tempo));
    EXPECT_EQ(c->m_dEighthMs, k.eighthMs);
    EXPECT_EQ(static_cast<int>(c->m_barNotes.size()), k.bars);
    EXPECT_EQ(c->m_nSectionChoices, k.bars / 8);
  }
}

TEST_F(ComposeRun, OptionsAreDecoded) {
  Opts o;
  o.note = "AB";
  o.scale = "PMin";
  o.playMode = "Ope";
  o.forcePitch = "Fre";
  o.pci = "Com";
  o.motive = "F";
  o.pianoInt = "Q";
  ComposeWith(*c, Prefix(), o);
  std::string joined;
  for (const std::string& n : c->m_scaleNotes) joined += n;
  EXPECT_EQ(joined, c->m_scaleTables[43]);
  EXPECT_EQ(c->m_nHighDegree, 15);
  EXPECT_EQ(c->m_nLowDegree, 4);
  EXPECT_EQ(c->m_bClosePlay, 0);
  EXPECT_EQ(c->m_bFreePitch, 1);
  EXPECT_EQ(c->m_bComplex, 1);
  EXPECT_EQ(c->m_bFullMotive, 1);
  EXPECT_EQ(c->m_strPianoInt, "Q");
  EXPECT_EQ(c->m_strNoteCode, "AB");
  EXPECT_EQ(c->m_strScaleCode, "PMin");

  // Unknown codes fall back to key 0 / scale 0 and count as "not the named code".
  o.note = "H";
  o.scale = "Dorian";
  o.playMode = "Clo";
  o.forcePitch = "Reg";
  o.pci = "Sim";
  o.motive = "B";
  ComposeWith(*c, Prefix(), o);
  joined.clear();
  for (const std::string& n : c->m_scaleNotes) joined += n;
  EXPECT_EQ(joined, c->m_scaleTables[0]);
  EXPECT_EQ(c->m_nHighDegree, 23);
  EXPECT_EQ(c->m_bClosePlay, 1);
  EXPECT_EQ(c->m_bFreePitch, 0);
  EXPECT_EQ(c->m_bComplex, 0);
  EXPECT_EQ(c->m_bFullMotive, 0);
}

TEST_F(ComposeRun, UncreatableLogReturnsOneAndComposesNothing) {
  ASSERT_EQ(ComposeWith(*c, Prefix(), Opts()), 10);
  const std::vector<std::string> notes = c->m_barNotes;
  const std::string velocities = c->m_strVelocities;
  const uint32_t id = c->m_nSessionId;

  Opts o;
  o.scale = "PMaj";
  o.tempo = "90";
  m_clock.Set(12345);
  EXPECT_EQ(ComposeWith(*c, m_dir.Path() + "/missing/folder/x_", o), 1);
  EXPECT_EQ(c->m_strScaleCode, "PMaj");  // decoded before the log is opened
  EXPECT_EQ(c->m_scaleNotes.size(), 20u);
  EXPECT_EQ(c->m_nBars, 80);
  EXPECT_EQ(c->m_nTempo, 60);
  EXPECT_EQ(c->m_barNotes, notes);
  EXPECT_EQ(c->m_strVelocities, velocities);
  EXPECT_EQ(c->m_nSessionId, id);
}

TEST_F(ComposeRun, SameIdentifierAndOptionsReproduceThePiece) {
  Opts o;
  o.motive = "F";
  o.pci = "Com";
  c->m_bFixedSessionId = true;
  c->m_nFixedSessionId = 777;
  ComposeWith(*c, Prefix(), o);
  auto other = std::make_unique<CComposer>();
  other->m_bFixedSessionId = true;
  other->m_nFixedSessionId = 777;
  m_clock.Set(1);  // the clock does not matter once the identifier is fixed
  ComposeWith(*other, Prefix(), o);
  EXPECT_EQ(c->m_barNotes, other->m_barNotes);
  EXPECT_EQ(c->m_barRhythms, other->m_barRhythms);
  EXPECT_EQ(c->m_strVelocities, other->m_strVelocities);
  ASSERT_EQ(c->m_nSectionChoices, other->m_nSectionChoices);
  for (int i = 0; i < c->m_nSectionChoices; ++i) {
    EXPECT_EQ(c->m_sectionChoice[i], other->m_sectionChoice[i]);
  }
  // A second run on the same object replaces the plan with the same plan.
  const std::vector<std::string> first = c->m_barNotes;
  ComposeWith(*c, Prefix(), o);
  EXPECT_EQ(c->m_barNotes, first);
  EXPECT_EQ(c->m_nPlanCursor, 0);

  other->m_nFixedSessionId = 778;
  ComposeWith(*other, Prefix(), o);
  EXPECT_NE(c->m_barNotes, other->m_barNotes);
}

TEST_F(ComposeRun, PinnedPlanOfOneIdentifier) {
  // The first section and the section choices of identifier 12345 with the start-up options.
  c->m_bFixedSessionId = true;
  c->m_nFixedSessionId = 12345;
  ASSERT_EQ(ComposeWith(*c, Prefix(), Opts()), 10);
  const char* const bars[8] = {"1213 44", "1312 44", "1517 44", "1715 44",
                               "1820 44", "2018 44", "2224 44", "2422 44"};
  std::string bar;
  for (const char* expected : bars) {
    c->NextBar(bar);
    EXPECT_EQ(bar, expected);
  }
  const int choices[10] = {9, 7, 7, 9, 7, 7, 7, 7, 9, 7};
  ASSERT_EQ(c->m_nSectionChoices, 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(c->m_sectionChoice[i], choices[i]) << i;
  EXPECT_EQ(c->m_strVelocities.substr(0, 20), "03060908070605040302");
}

// Checks what every plan must satisfy; returns the number of sections checked.
void CheckPlan(CComposer& c, const Opts& o, int sections) {
  SCOPED_TRACE(o.note + " " + o.scale + " " + o.playMode + " " + o.forcePitch + " " + o.pci +
               " " + o.motive + " " + o.tempo + " id " + std::to_string(c.m_nSessionId));
  ASSERT_EQ(c.m_nBars, 8 * sections);
  ASSERT_EQ(c.m_nSectionChoices, sections);
  ASSERT_EQ(static_cast<int>(c.m_barNotes.size()), c.m_nBars);
  ASSERT_EQ(static_cast<int>(c.m_barRhythms.size()), c.m_nBars);
  int notes = 0;
  for (int b = 0; b < c.m_nBars; ++b) {
    const std::string& r = c.m_barRhythms[b];
    const std::string& n = c.m_barNotes[b];
    int sum = 0;
    for (const char d : r) {
      ASSERT_TRUE(d >= '1' && d <= '6') << r;
      sum += d - '0';
    }
    ASSERT_EQ(sum, 8) << "bar " << b << " rhythm " << r;
    ASSERT_EQ(n.size(), 2 * r.size()) << "bar " << b;
    for (size_t i = 0; i < n.size(); i += 2) {
      const std::string item = n.substr(i, 2);
      ASSERT_TRUE(item >= "01" && item <= "48") << "bar " << b << " notes " << n;
      bool inScale = false;
      for (const std::string& s : c.m_scaleNotes) inScale = inScale || s == item;
      ASSERT_TRUE(inScale) << item;
    }
    notes += static_cast<int>(r.size());
    // Rhythms repeat within a section: one for all bars, or A on even and B on odd bars.
    const int first = b - b % 8;
    const int same = c.m_bFullMotive ? first + b % 2 : first;
    ASSERT_EQ(r, c.m_barRhythms[same]) << "bar " << b;
  }
  ASSERT_EQ(c.m_nTotalNotes, notes);
  ASSERT_GE(c.m_strVelocities.size(), 2u * notes);
  ASSERT_LT(c.m_strVelocities.size(), 2u * notes + 62);
  ASSERT_EQ(c.m_strVelocities.size() % 62, 0u);
  for (int s = 0; s < sections; ++s) {
    ASSERT_TRUE(c.m_sectionChoice[s] == 7 || c.m_sectionChoice[s] == 9);
  }
  ASSERT_EQ(c.m_nPlanCursor, 0);
}

TEST_F(ComposeRun, InvariantsOverIdentifiersAndEveryOptionCombination) {
  const char* const notes[] = {"C", "CD", "D", "DE", "E", "F", "FG", "G", "GA", "A", "AB", "B"};
  const char* const scales[] = {"Maj", "Min", "PMaj", "PMin"};
  const char* const rhythms[] = {"", "B", "D", "BD"};
  const char* const harmonies[] = {"", "S", "V", "SV"};
  c->m_bFixedSessionId = true;
  uint32_t id = 1;
  int combinations = 0;
  for (const char* note : notes) {
    for (const char* scale : scales) {
      for (int bits = 0; bits < 64; ++bits) {
        Opts o;
        o.note = note;
        o.scale = scale;
        o.playMode = bits & 1 ? "Ope" : "Clo";
        o.forcePitch = bits & 2 ? "Fre" : "Reg";
        o.pci = bits & 4 ? "Com" : "Sim";
        o.motive = bits & 8 ? "F" : "B";
        o.tempo = bits & 16 ? "90" : "60";
        o.hand = bits & 32 ? "R" : "F";
        o.rhythm = rhythms[combinations % 4];
        o.harmony = harmonies[(combinations / 4) % 4];
        o.pianoInt = combinations % 3 ? "C" : "P";
        o.length = "1";
        // Sampled identifiers: spread over the 32-bit range, two per combination.
        for (int k = 0; k < 2; ++k) {
          id = id * 2654435761u + 40503u;
          c->m_nFixedSessionId = id;
          // A fresh file rather than a truncated one: some file systems flush on truncation.
          platform::DeleteFile(LogPath());
          const int sections = ComposeWith(*c, Prefix(), o);
          ASSERT_NO_FATAL_FAILURE(CheckPlan(*c, o, sections));
        }
        ++combinations;
      }
    }
  }
  EXPECT_EQ(combinations, 12 * 4 * 64);
}

}  // namespace
