#include "options/option_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "recording_view.h"

namespace {

using Strings = std::vector<std::string>;

TEST(OptionSetTables, IndicatorIdsAreDistinctAndCodesUniquePerOption) {
  const std::span<const OptionCode> tables[] = {kNoteCodes,   kScaleCodes,   kPlayModeCodes,
                                                kRhythmCodes, kHarmonyCodes, kForcePitchCodes,
                                                kTempoCodes,  kPCICodes,     kMotiveCodes,
                                                kHandCodes};
  std::set<int> ids;
  size_t count = 0;
  for (const auto& table : tables) {
    std::set<std::string> codes;
    for (const OptionCode& c : table) {
      codes.insert(c.code);
      ids.insert(c.indicator);
      ++count;
    }
    EXPECT_EQ(codes.size(), table.size());
  }
  EXPECT_EQ(count, 32u);
  EXPECT_EQ(ids.size(), count);
  EXPECT_EQ(kNoteCodes[1].indicator, 1003);
  EXPECT_STREQ(kNoteCodes[1].code, "CD");
  EXPECT_STREQ(kNoteCodes[11].code, "B");
  EXPECT_EQ(kPlayModeCodes[1].indicator, 1019);
  EXPECT_EQ(kRhythmCodes[1].indicator, 1073);
  EXPECT_EQ(kPCICodes[1].indicator, 1049);
}

TEST(OptionSetStartUp, FreshSetIsEmptyAndSilent) {
  CRecordingView view;
  COptionSet options(&view);
  for (const std::string* value :
       {&options.Note(), &options.Scale(), &options.PlayMode(), &options.Rhythm(),
        &options.Harmony(), &options.ForcePitch(), &options.Tempo(), &options.Hand(),
        &options.Motive(), &options.PianoInt(), &options.PCI(), &options.GenerateLength()}) {
    EXPECT_EQ(*value, "");
  }
  EXPECT_TRUE(view.m_events.empty());
}

TEST(OptionSetStartUp, DefaultsValuesIndicatorsAndSounds) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();

  EXPECT_EQ(options.Note(), "C");
  EXPECT_EQ(options.Scale(), "Maj");
  EXPECT_EQ(options.PlayMode(), "Clo");
  EXPECT_EQ(options.Rhythm(), "D");
  EXPECT_EQ(options.Harmony(), "");
  EXPECT_EQ(options.ForcePitch(), "Reg");
  EXPECT_EQ(options.Tempo(), "60");
  EXPECT_EQ(options.Hand(), "F");
  EXPECT_EQ(options.Motive(), "B");
  EXPECT_EQ(options.PianoInt(), "C");
  EXPECT_EQ(options.PCI(), "Sim");
  EXPECT_EQ(options.GenerateLength(), "");

  EXPECT_EQ(view.Visible(),
            (std::set<int>{1002, 1014, 1020, 1073, 1028, 1050, 1033, 1071, 1069}));
  // Harmony is cleared without touching its indicators.
  EXPECT_FALSE(view.Touched(1025));
  EXPECT_FALSE(view.Touched(1068));
  // Each change from the empty start sounds the click once, after its indicators.
  EXPECT_EQ(view.m_nSounds, 4);
  EXPECT_EQ(view.Trail(), (Strings{"Note", "Scale", "sound", "PlayMode", "Rhythm", "sound",
                                   "ForcePitch", "PCI", "Tempo", "Hand", "sound", "Motive",
                                   "sound"}));
}

TEST(OptionSetStartUp, DefaultsOverEarlierValuesResetEverything) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  options.ToggleRhythm("B");
  options.ToggleHarmony("V");
  options.TogglePianoInt();
  options.SetScale("Min");
  view.ClearEvents();

  options.SetDefaults();
  EXPECT_EQ(options.Rhythm(), "D");
  EXPECT_EQ(options.Harmony(), "");
  EXPECT_EQ(options.PianoInt(), "C");
  EXPECT_EQ(options.Scale(), "Maj");
  // Scale and Rhythm changed; Hand and Motive were already at their defaults.
  EXPECT_EQ(view.m_nSounds, 2);
  // The Harmony indicator stays as it was: clearing is a plain store.
  EXPECT_EQ(view.VisibleOf(kHarmonyCodes), std::set<int>{1068});
}

struct PlainSetter {
  const char* name;
  std::function<void(COptionSet&, const std::string&)> set;
  std::function<const std::string&(const COptionSet&)> get;
  std::span<const OptionCode> codes;
};

TEST(OptionSetSingle, PlainSettersShowExactlyTheChosenCodeWithoutSound) {
  const PlainSetter setters[] = {
      {"Note", &COptionSet::SetNote, &COptionSet::Note, kNoteCodes},
      {"PlayMode", &COptionSet::SetPlayMode, &COptionSet::PlayMode, kPlayModeCodes},
      {"ForcePitch", &COptionSet::SetForcePitch, &COptionSet::ForcePitch, kForcePitchCodes},
      {"Tempo", &COptionSet::SetTempo, &COptionSet::Tempo, kTempoCodes},
      {"PCI", &COptionSet::SetPCI, &COptionSet::PCI, kPCICodes}};
  for (const PlainSetter& s : setters) {
    SCOPED_TRACE(s.name);
    CRecordingView view;
    COptionSet options(&view);
    for (const OptionCode& c : s.codes) {
      s.set(options, c.code);
      EXPECT_EQ(s.get(options), c.code);
      EXPECT_EQ(view.Visible(), std::set<int>{c.indicator});
    }
    // The same value again is not compared: every indicator is written once more.
    view.ClearEvents();
    s.set(options, s.codes[0].code);
    EXPECT_EQ(view.m_events.size(), s.codes.size());
    // Unknown text (codes are case-sensitive) is stored and hides every indicator.
    for (const std::string& odd : {std::string(s.codes[0].code) + "x", std::string(""),
                                  std::string("zz")}) {
      s.set(options, odd);
      EXPECT_EQ(s.get(options), odd);
      EXPECT_TRUE(view.VisibleOf(s.codes).empty());
    }
    EXPECT_EQ(view.m_nSounds, 0);
  }
}

TEST(OptionSetSingle, NoteCodesAreCaseSensitive) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetNote("cd");
  EXPECT_TRUE(view.VisibleOf(kNoteCodes).empty());
  options.SetNote("FG");
  EXPECT_EQ(view.VisibleOf(kNoteCodes), std::set<int>{1008});
}

TEST(OptionSetSingle, ScaleChangesSoundAndSameValueIsIgnored) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  view.ClearEvents();

  EXPECT_EQ(options.SetScale("Maj"), 1);
  EXPECT_TRUE(view.m_events.empty());

  EXPECT_EQ(options.SetScale("PMin"), 0);
  EXPECT_EQ(options.Scale(), "PMin");
  EXPECT_EQ(view.m_events,
            (Strings{"hide 1014", "hide 1015", "hide 1017", "show 1018", "sound"}));

  EXPECT_EQ(options.SetScale("PMin"), 1);
  EXPECT_EQ(view.m_nSounds, 1);

  // An unknown code is still a change: stored, all four hidden, click.
  EXPECT_EQ(options.SetScale("pmin"), 0);
  EXPECT_EQ(options.Scale(), "pmin");
  EXPECT_TRUE(view.VisibleOf(kScaleCodes).empty());
  EXPECT_EQ(view.m_nSounds, 2);
}

TEST(OptionSetSingle, MotiveAndHandSoundOnlyOnChange) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  view.ClearEvents();

  options.SetMotive("B");
  options.SetHand("F");
  EXPECT_TRUE(view.m_events.empty());

  options.SetMotive("F");
  EXPECT_EQ(view.m_events, (Strings{"hide 1069", "show 1070", "sound"}));
  view.ClearEvents();
  options.SetHand("R");
  EXPECT_EQ(view.m_events, (Strings{"hide 1071", "show 1072", "sound"}));
  EXPECT_EQ(options.Motive(), "F");
  EXPECT_EQ(options.Hand(), "R");

  options.SetHand("Left");
  EXPECT_EQ(options.Hand(), "Left");
  EXPECT_TRUE(view.VisibleOf(kHandCodes).empty());
  EXPECT_EQ(view.m_nSounds, 2);
}

TEST(OptionSetLetters, RhythmToggleAppendsRemovesAndAlwaysSounds) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  view.ClearEvents();

  options.ToggleRhythm("B");
  EXPECT_EQ(options.Rhythm(), "DB");
  EXPECT_EQ(view.VisibleOf(kRhythmCodes), (std::set<int>{1073, 1074}));
  EXPECT_EQ(view.m_events, (Strings{"show 1074", "show 1073", "sound"}));

  options.ToggleRhythm("B");
  EXPECT_EQ(options.Rhythm(), "D");
  EXPECT_EQ(view.VisibleOf(kRhythmCodes), std::set<int>{1073});

  options.ToggleRhythm("D");
  EXPECT_EQ(options.Rhythm(), "");
  EXPECT_TRUE(view.VisibleOf(kRhythmCodes).empty());

  // Letters keep the order in which they were switched on.
  options.ToggleRhythm("B");
  options.ToggleRhythm("D");
  EXPECT_EQ(options.Rhythm(), "BD");
  EXPECT_EQ(view.m_nSounds, 5);
}

TEST(OptionSetLetters, ToggleRemovesEveryCopyOfALetter) {
  COptionSet options;
  options.ToggleRhythm("DD");  // any text is accepted; an absent text is appended whole
  EXPECT_EQ(options.Rhythm(), "DD");
  options.ToggleRhythm("B");
  options.ToggleRhythm("D");
  EXPECT_EQ(options.Rhythm(), "B");

  options.ToggleHarmony("S");
  options.ToggleHarmony("VSV");
  EXPECT_EQ(options.Harmony(), "SVSV");
  options.ToggleHarmony("V");
  EXPECT_EQ(options.Harmony(), "SS");
  options.ToggleHarmony("");
  EXPECT_EQ(options.Harmony(), "SS");
}

TEST(OptionSetLetters, UnknownLetterIsKeptButShowsNothing) {
  CRecordingView view;
  COptionSet options(&view);
  options.ToggleRhythm("x");
  EXPECT_EQ(options.Rhythm(), "x");
  EXPECT_TRUE(view.VisibleOf(kRhythmCodes).empty());
  options.ToggleRhythm("d");  // case-sensitive
  EXPECT_EQ(options.Rhythm(), "xd");
  EXPECT_TRUE(view.VisibleOf(kRhythmCodes).empty());
  EXPECT_EQ(view.m_nSounds, 2);
}

TEST(OptionSetLetters, HarmonyToggleUpdatesBothIndicatorsSilently) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  view.ClearEvents();

  options.ToggleHarmony("V");
  EXPECT_EQ(view.m_events, (Strings{"hide 1025", "show 1068"}));
  options.ToggleHarmony("S");
  EXPECT_EQ(options.Harmony(), "VS");
  EXPECT_EQ(view.VisibleOf(kHarmonyCodes), (std::set<int>{1025, 1068}));
  options.ToggleHarmony("V");
  EXPECT_EQ(options.Harmony(), "S");
  EXPECT_EQ(view.VisibleOf(kHarmonyCodes), std::set<int>{1025});
  EXPECT_EQ(view.m_nSounds, 0);
}

TEST(OptionSetPianoInt, ToggleSwitchesBetweenOffAndOnCodeWithoutNotifications) {
  CRecordingView view;
  COptionSet options(&view);
  options.SetDefaults();
  view.ClearEvents();

  options.TogglePianoInt();
  EXPECT_EQ(options.PianoInt(), kPianoIntOn);
  EXPECT_NE(options.PianoInt(), "C");
  EXPECT_LE(options.PianoInt().size(), 4u);
  options.TogglePianoInt();
  EXPECT_EQ(options.PianoInt(), "C");
  EXPECT_TRUE(view.m_events.empty());
}

TEST(OptionSetPianoInt, AnyOtherCodeCountsAsOnAndTogglesOff) {
  COptionSet options;  // empty: "" is not "C", so it is on
  options.TogglePianoInt();
  EXPECT_EQ(options.PianoInt(), "C");
}

TEST(OptionSetHeadless, WorksWithoutAViewAndViewCanBeAttachedLater) {
  COptionSet options;
  options.SetDefaults();
  options.ToggleRhythm("B");
  options.SetHand("R");
  options.SetGenerateLength("15");
  EXPECT_EQ(options.Rhythm(), "DB");
  EXPECT_EQ(options.Hand(), "R");
  EXPECT_EQ(options.GenerateLength(), "15");

  CRecordingView view;
  options.SetView(&view);
  EXPECT_EQ(options.SetScale("Min"), 0);
  EXPECT_EQ(view.m_nSounds, 1);
  options.SetView(nullptr);
  options.SetScale("Maj");
  EXPECT_EQ(view.m_nSounds, 1);
}

}  // namespace
