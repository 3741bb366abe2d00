// Golden seeds: twelve fixed pairs of options and session id whose plans and renders over the
// marker archives are pinned in tests/session/golden/. Any change to what one of them composes
// or sounds like fails here, so that it can only land as a deliberate, named change.
//
// To accept a change, rewrite the files and commit them on their own, saying why:
//   VORSK_UPDATE_GOLDEN=1 build/bin/vorsk_tests_session --gtest_filter='GoldenSeeds*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "session/generate_test_util.h"
#include "test_paths.h"

using gentest::Rig;

namespace {

struct Seed {
  const char* file;
  const char* note;
  const char* scale;
  const char* playMode;
  const char* rhythm;
  const char* harmony;
  const char* forcePitch;
  const char* tempo;
  const char* length;
  const char* pci;
  const char* motive;
  const char* hand;
  const char* pianoInt;
  uint32_t sessionId;
};

void PrintTo(const Seed& s, std::ostream* out) { *out << s.file; }

// Between them: every key family, the four scales, both play modes, both tempos, both motives,
// every rhythm and harmony letter set, both hands, intensity on and off, extreme identifiers.
const Seed kSeeds[] = {
    {"seed01", "C", "Maj", "Clo", "D", "", "Reg", "60", "1", "Sim", "B", "F", "C", 1},
    {"seed02", "D", "Min", "Ope", "", "", "Fre", "60", "1", "Com", "F", "R", "C", 2024},
    {"seed03", "GA", "PMaj", "Clo", "BD", "S", "Reg", "90", "1", "Sim", "B", "F", "P", 3000000000u},
    {"seed04", "E", "PMin", "Ope", "D", "V", "Fre", "60", "2", "Com", "B", "F", "P", 77},
    {"seed05", "AB", "Maj", "Clo", "B", "SV", "Reg", "90", "1", "Com", "F", "R", "C", 4294967295u},
    {"seed06", "F", "Min", "Clo", "BD", "", "Fre", "60", "1", "Sim", "F", "F", "P", 0},
    {"seed07", "B", "Maj", "Ope", "", "SV", "Reg", "60", "1", "Sim", "B", "F", "C", 123456},
    {"seed08", "CD", "PMaj", "Ope", "D", "S", "Fre", "90", "1", "Com", "F", "F", "C", 99},
    {"seed09", "G", "PMin", "Clo", "", "V", "Reg", "60", "1", "Com", "B", "R", "P", 31337},
    {"seed10", "DE", "Maj", "Clo", "BD", "", "Fre", "60", "1", "Sim", "F", "F", "C", 8},
    {"seed11", "FG", "Min", "Ope", "D", "", "Reg", "90", "2", "Sim", "B", "F", "P", 65535},
    {"seed12", "A", "PMaj", "Clo", "", "", "Reg", "60", "1", "Com", "F", "F", "C", 5150},
};

std::string GoldenPath(const Seed& s) {
  return std::string(VORSK_SOURCE_DIR) + "/tests/session/golden/" + s.file + ".txt";
}

// The options as the run stored them, the identifier, the plan as 'vorsk-cli plan' prints it,
// and the digests of the two renders.
std::string Describe(Rig& rig, const Seed& s) {
  const COptionSet& o = rig.options;
  std::string text = "OPTIONS Note=" + o.Note() + " Scale=" + o.Scale() + " PlayMode=" + o.PlayMode() +
                     " Rhythm=" + o.Rhythm() + " Harmony=" + o.Harmony() + " ForcePitch=" +
                     o.ForcePitch() + " Tempo=" + o.Tempo() + " Length=" + o.GenerateLength() +
                     " PCI=" + o.PCI() + " Motive=" + o.Motive() + " Hand=" + o.Hand() +
                     " PianoInt=" + o.PianoInt() + "\nSESSION " + std::to_string(s.sessionId) + "\n";
  CComposer& c = theComposer;
  c.RewindPlan();
  std::string bar;
  for (int i = 0; i < c.m_nBars; ++i) {
    c.NextBar(bar);
    text += bar + "\n";
  }
  text += "CHOICES";
  for (int i = 0; i < c.m_nBars / 8; ++i) text += " " + std::to_string(c.m_sectionChoice[i]);
  text += "\nVELOCITIES " + c.m_strVelocities + "\n";
  const std::string prefix = rig.session.m_strSessionPrefix;
  text += "PIANO " + fixtures::Digest(fixtures::ReadAll(prefix + "Piano.wav")) + "\n";
  text += "MIX " + fixtures::Digest(fixtures::ReadAll(prefix + "Mix.wav")) + "\n";
  return text;
}

class GoldenSeeds : public ::testing::TestWithParam<Seed> {};

TEST_P(GoldenSeeds, ComposeAndRenderAsPinned) {
  const Seed& s = GetParam();
  Rig rig;
  COptionSet& o = rig.options;
  o.SetNote(s.note);
  o.SetScale(s.scale);
  o.SetPlayMode(s.playMode);
  gentest::SetLetters(o, true, s.rhythm);
  gentest::SetLetters(o, false, s.harmony);
  o.SetForcePitch(s.forcePitch);
  o.SetTempo(s.tempo);
  o.SetGenerateLength(s.length);
  o.SetPCI(s.pci);
  o.SetMotive(s.motive);
  o.SetHand(s.hand);
  if (o.PianoInt() != s.pianoInt) o.TogglePianoInt();
  ASSERT_EQ(o.PianoInt(), s.pianoInt);
  theComposer.m_nFixedSessionId = s.sessionId;
  ASSERT_EQ(rig.Generate(), 0);
  const std::string actual = Describe(rig, s);

  const char* update = std::getenv("VORSK_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    fixtures::WriteAll(GoldenPath(s), std::vector<unsigned char>(actual.begin(), actual.end()));
    return;
  }
  const std::vector<unsigned char> bytes = fixtures::ReadAll(GoldenPath(s));
  ASSERT_FALSE(bytes.empty()) << GoldenPath(s) << " is missing; VORSK_UPDATE_GOLDEN=1 writes it";
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), actual)
      << "seed " << s.file << " changed; if that is intended, rewrite the golden files with "
      << "VORSK_UPDATE_GOLDEN=1 and commit them saying why";
}

INSTANTIATE_TEST_SUITE_P(Pinned, GoldenSeeds, ::testing::ValuesIn(kSeeds),
                         [](const ::testing::TestParamInfo<Seed>& info) { return std::string(info.param.file); });

}  // namespace
