// Every renderer: common failures, cancellation at the k-th pump, composed plans end to end.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

struct Track {
  const char* name;
  int (CComposer::*render)(const std::string&);
  const char* archive;
  std::function<std::vector<std::string>(const CComposer&)> voices;  // the files it names
};

const Track kTracks[] = {
    {"TP", &CComposer::RenderTP, "Data0.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTP, c.m_strTempTP + 2); }},
    {"CH", &CComposer::RenderCH, "Data1.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempCH, c.m_strTempCH + 3); }},
    {"TA", &CComposer::RenderTA, "Data3.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTA, c.m_strTempTA + 3); }},
    {"TF", &CComposer::RenderTF, "Data3.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTF, c.m_strTempTF + 3); }},
    {"PP", &CComposer::RenderPP, "Data3.dat",
     [](const CComposer& c) { return std::vector<std::string>{c.m_strTempPP}; }},
    {"DL", &CComposer::RenderDL, "Data2.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempDL, c.m_strTempDL + 3); }},
    {"BS", &CComposer::RenderBS, "Data2.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempBS, c.m_strTempBS + 3); }},
    {"ST", &CComposer::RenderST, "data4.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempST, c.m_strTempST + 3); }},
    {"VO", &CComposer::RenderVO, "data4.dat",
     [](const CComposer& c) { return std::vector<std::string>(c.m_strTempVO, c.m_strTempVO + 3); }},
};

// Sixteen bars with chords, figures and low notes in C major, two drum sections.
void SetBusyPlan(CComposer& c, const std::string& tempDir) {
  std::vector<std::pair<std::string, std::string>> bars;
  for (int i = 0; i < 16; ++i)
    bars.push_back(i % 2 ? std::make_pair("130806", "422") : std::make_pair("0105", "44"));
  SetPlan(c, bars, 60, tempDir);
  c.m_strNoteCode = "C";
  c.m_strScaleCode = "Maj";
  c.m_strHand = "F";
  c.m_sectionChoice[0] = 7;
  c.m_sectionChoice[1] = 9;
  c.m_nSectionChoices = 2;
}

std::vector<long long> Sizes(const std::vector<std::string>& files) {
  std::vector<long long> sizes;
  for (const auto& f : files) sizes.push_back(FileBytes(f));
  return sizes;
}

}  // namespace

TEST(RenderTracks, MissingArchiveAndUnwritableTempFolderReleaseEveryHandle) {
  fixtures::ScratchDir dir;
  const int descriptors = OpenDescriptors();
  for (const Track& track : kTracks) {
    SCOPED_TRACE(track.name);
    CComposer c;
    SetBusyPlan(c, dir.Path());
    EXPECT_EQ((c.*track.render)(dir.File(track.archive)), render::kRenderNoArchive);
    // The voice files exist, empty, from the moment their names were obtained.
    for (const auto& voice : track.voices(c)) EXPECT_EQ(FileBytes(voice), 0) << voice;
    SetBusyPlan(c, dir.File("no/such/folder"));
    EXPECT_EQ((c.*track.render)(MarkerArchive(track.archive)), render::kRenderNoVoiceFile);
    EXPECT_EQ(c.m_hArchive, 0);
    EXPECT_EQ(c.m_hOutWave, 0);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST(RenderPumps, EachTrackPumpsOncePerTableEntryEventBarOrLoop) {
  // The busy plan has 16 bars, 40 events and two drum sections.
  constexpr int bars = 16, events = 40;
  const std::map<std::string, int> expected = {
      {"TP", 1 + 48 * 6 * 5 + events + 2 * bars},  // once, per name-table entry, per event
                                                   // while splitting, per bar of each voice
      {"CH", bars + 2 * bars},                     // per bar while splitting and in each voice
      {"TA", 2 * events},                          // per event of each voice
      {"TF", 2 * events},
      {"PP", bars},
      {"DL", 2},  // per loop
      {"BS", bars + 2 * bars},  // per bar while reading the plan and in each voice
      {"ST", bars + 2 * bars},
      {"VO", bars + 2 * bars},
  };
  fixtures::ScratchDir dir;
  for (const Track& track : kTracks) {
    CComposer c;
    SetBusyPlan(c, dir.Path());
    CountingPump counter(0, nullptr);
    ASSERT_EQ((c.*track.render)(MarkerArchive(track.archive)), render::kRenderOk) << track.name;
    EXPECT_EQ(counter.Calls(), expected.at(track.name)) << track.name;
  }
}

TEST(RenderCancel, ACancelAtTheKthPumpReturnsAtOnceAndLeavesTheHandlesToTheStopPath) {
  fixtures::ScratchDir dir;
  for (const Track& track : kTracks) {
    SCOPED_TRACE(track.name);
    int pumps = 0;
    {
      CComposer c;
      SetBusyPlan(c, dir.Path());
      CountingPump counter(0, nullptr);
      ASSERT_EQ((c.*track.render)(MarkerArchive(track.archive)), render::kRenderOk);
      pumps = counter.Calls();
    }
    ASSERT_GE(pumps, 2);
    for (const int k : std::set<int>{1, 2, pumps / 2, pumps - 1, pumps}) {
      for (const bool stopCloses : {false, true}) {
        SCOPED_TRACE("cancel at pump " + std::to_string(k) +
                     (stopCloses ? " with STOP" : " without closing"));
        const int descriptors = OpenDescriptors();
        CComposer c;
        SetBusyPlan(c, dir.Path());
        std::vector<long long> sizesAtCancel;
        platform::FileHandle outAtCancel = 0, archiveAtCancel = 0;
        CountingPump pump(k, [&] {
          c.m_bAbort = 1;
          sizesAtCancel = Sizes(track.voices(c));
          outAtCancel = c.m_hOutWave;
          archiveAtCancel = c.m_hArchive;
          if (stopCloses) {
            if (c.m_hOutWave) platform::CloseAndClear(c.m_hOutWave);
            if (c.m_hArchive) platform::CloseAndClear(c.m_hArchive);
          }
        });
        EXPECT_EQ((c.*track.render)(MarkerArchive(track.archive)), render::kRenderAborted);
        EXPECT_EQ(pump.Calls(), k) << "no pump after the cancel";
        EXPECT_EQ(Sizes(track.voices(c)), sizesAtCancel) << "nothing written after the cancel";
        if (stopCloses) {
          EXPECT_EQ(c.m_hOutWave, 0);
          EXPECT_EQ(c.m_hArchive, 0);
        } else {
          EXPECT_EQ(c.m_hOutWave, outAtCancel);
          EXPECT_EQ(c.m_hArchive, archiveAtCancel);
          if (c.m_hOutWave) platform::CloseAndClear(c.m_hOutWave);
          if (c.m_hArchive) platform::CloseAndClear(c.m_hArchive);
        }
        EXPECT_EQ(OpenDescriptors(), descriptors);
      }
    }
  }
}

TEST(RenderComposed, ComposedPlansRenderEveryTrackToItsHeadersLength) {
  fixtures::ScratchDir dir;
  struct Options {
    const char* note;
    const char* scale;
    const char* tempo;
    const char* pci;
    const char* pianoInt;
  };
  for (const Options& o :
       {Options{"C", "Maj", "60", "Com", "I"}, Options{"G", "PMaj", "60", "Sim", "C"},
        Options{"DE", "Min", "90", "Com", "I"}}) {
    SCOPED_TRACE(std::string(o.note) + " " + o.scale + " " + o.tempo);
    CComposer c;
    c.m_bFixedSessionId = true;
    c.m_nFixedSessionId = 12345;
    c.m_strTempDir = dir.Path() + "/";
    ASSERT_GT(c.Compose(dir.File("s_"), o.note, o.scale, "Clo", "D", "", "Reg", o.tempo, "5", o.pci,
                        "F", "F", o.pianoInt, ""),
              1);
    c.m_nBars = 16;  // the first two sections are enough
    for (const Track& track : kTracks) {
      SCOPED_TRACE(track.name);
      c.RewindPlan();
      const int result = (c.*track.render)(MarkerArchive(track.archive));
      ASSERT_EQ(result, render::kRenderOk);
      const auto voices = track.voices(c);
      for (size_t v = 0; v < voices.size() && v < 2; ++v) {
        // Whole samples, and exactly what the header announces: the piano's 469 + 531 ms, two
        // bytes short of two pads at tempo 60, are zero-filled.
        EXPECT_EQ(HeaderDataSize(voices[v]) % 2, 0u) << voices[v];
        EXPECT_EQ(static_cast<long long>(HeaderDataSize(voices[v])), DataBytes(voices[v])) << voices[v];
      }
    }
    EXPECT_EQ(c.m_hOutWave, 0);
    EXPECT_EQ(c.m_hArchive, 0);
  }
}
