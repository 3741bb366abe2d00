// CComposer: the composition engine and the track renderers that play its plan.
//
// One instance, theComposer, lives for the whole program and is used from the UI thread only.
// Compose() turns an option set into a plan: one note string (two-digit note numbers 01..48)
// and one rhythm string (one-digit durations in eighths, summing to 8) per bar, a velocity
// string and one drum-loop choice (7 or 9) per 8-bar section. NextBar() reads the plan back.
//
// The renderers (RenderTP ... RenderVO, implemented in render/) read the plan and write voice
// files into the temporary folder. They hold at most one archive (m_hArchive) and one voice
// file (m_hOutWave) open; the STOP path may close and clear both fields from inside a pump, and
// a renderer that sees m_bAbort afterwards returns -1 without touching them again.
// Result codes: see render/render_codes.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"

class CComposer {
 public:
  // The longest piece, in 8-bar sections (the size of m_sectionChoice).
  static constexpr int kMaxSections = 500;
  static constexpr int kBarsPerSection = 8;

  CComposer();

  // The number of bars of a piece of minutes at tempo (quarter notes per minute; 0 or less
  // plays at 60): the whole bars of the length plus one, up to whole sections, at most
  // kMaxSections sections. A length of 0 or less still gives one section.
  static int PieceBars(int minutes, int tempo);

  // --- composition run (compose/compose_run.cpp) ---
  // Fourteen option strings by value; returns the number of 8-bar sections, or 1 when the log
  // file (prefix + "log.txt") cannot be created, in which case nothing is composed.
  int Compose(std::string strPrefix, std::string strNote, std::string strScale,
              std::string strPlayMode, std::string strRhythm, std::string strHarmony,
              std::string strForcePitch, std::string strTempo, std::string strLength,
              std::string strPCI, std::string strMotive, std::string strHand,
              std::string strPianoInt, std::string strSpare);
  // The session identifier: the calendar time (platform::Now) folded into 32 bits, or
  // m_nFixedSessionId when m_bFixedSessionId is set (vorsk-cli --session-id reproduces a piece).
  uint32_t MakeSessionId();

  // --- plan access ---
  void NextBar(std::string& strBar);  // "<notes> <rhythm>"; past the end yields " "
  void RewindPlan();
  int CountPlanNotes();

  // --- phrase and motive generation (compose/phrase.cpp) ---
  int ComposeSections(int nBars);
  void PrepareSection();
  void ComposeSection();
  std::string MakeRhythm(char kind);
  std::string MakeMelody(int n);
  int NextStep(const std::string& notes);
  std::string MirrorLastStep(const std::string& degrees);
  std::string ReverseNotes(const std::string& notes);
  std::string NotesToDegrees(const std::string& notes);
  std::string DegreesToNotes(const std::string& degrees);

  // --- random generator: the 15-bit LCG, seeded once per generation ---
  void SeedRandom(uint32_t seed) { m_nRandState = seed; }
  int Random();                   // 0..32767
  int UniformIndex(int n);        // trunc(r * n / 32768.0)
  int WeightedPosition(int total);  // trunc(r * total / 32768.0) + 1

  // --- track renderers (render/): archive path in, voice files in m_strTemp* out ---
  int RenderTP(const std::string& archivePath);
  int RenderCH(const std::string& archivePath);
  int RenderTA(const std::string& archivePath);
  int RenderTF(const std::string& archivePath);
  int RenderPP(const std::string& archivePath);
  int RenderDL(const std::string& archivePath);
  // Bass (Data2.dat), strings and voices (data4.dat): the harmony of render/harmony.h.
  int RenderBS(const std::string& archivePath);
  int RenderST(const std::string& archivePath);
  int RenderVO(const std::string& archivePath);

  // --- phrase excerpts of a saved session (session/excerpt_writer.cpp) ---
  // Cut phrase n (1-based) of the session's "Mix.wav" / "Piano.wav" into
  // archiveFolder + sessionName + "Mix_NN.wav" / "Piano_NN.wav": a header announcing 16 bars at
  // tempo, then the phrase twice. tempo is the tempo the piece was composed at; it sets the
  // lead-in and phrase sizes. Both use m_hArchive and m_hOutWave and leave them 0. Result:
  // kExcerptWritten, or kExcerptFailed when the excerpt could not be written completely (the
  // source is missing or short, the disk is full); the partial file is then removed and
  // *failedPath (optional) names it.
  int WriteMixExcerpt(const std::string& archiveFolder, const std::string& sessionName, int n,
                      int tempo, std::string* failedPath = nullptr);
  int WritePianoExcerpt(const std::string& archiveFolder, const std::string& sessionName, int n,
                        int tempo, std::string* failedPath = nullptr);

  // --- state ---
  unsigned char m_bAbort = 0;       // cancel request, set by STOP/EXIT, cleared by AbortGenerate
  std::string m_strTempDir;         // temporary folder, ends with "/"
  platform::FileHandle m_hOutWave = 0;  // voice file being written; 0 when closed
  platform::FileHandle m_hArchive = 0;  // archive being read; 0 when closed
  std::string m_strTempTP[2];
  std::string m_strTempTA[3];
  std::string m_strTempTF[3];
  std::string m_strTempPP;
  std::string m_strTempCH[3];
  std::string m_strTempDL[3];
  std::string m_strTempBS[3];
  std::string m_strTempST[3];
  std::string m_strTempVO[3];
  std::string m_strSectionWeights;
  int m_sectionChoice[kMaxSections] = {};
  int m_nSectionChoices = 0;
  std::string m_strGrouping;
  int m_nGroupIndex = 0;
  int m_nGroupSplit = 0;
  unsigned char m_bFirstGroupStep = 0;
  unsigned char m_bGroupMode = 0;
  int m_bFreePitch = 0;
  int m_bFullMotive = 0;
  int m_bComplex = 0;
  int m_nDirection = 0;
  int m_nLowDegree = 4;
  int m_nHighDegree = 0;
  std::string m_strScaleCode;
  std::string m_strNoteCode;
  std::string m_strHand;  // Hand option of the last Compose: "F" when the chord track plays
  std::string m_patternTable[12][49];  // [column][row]: 0-5 rhythm patterns, 6-11 contours
  std::string m_velocityCurves[31];
  std::string m_strVelocities;
  int m_nTotalNotes = 0;
  std::string m_sectionRhythms[8];
  std::vector<int> m_contourLists[12];
  uint32_t m_nSessionId = 0;
  bool m_bFixedSessionId = false;   // set by the caller to replay a known session
  uint32_t m_nFixedSessionId = 0;
  std::string m_scaleTables[48];  // key * 4 + scale
  std::string m_noteNames[50];    // "C_1" .. "B_4"; 0 and 49 empty
  int m_nTempo = 0;
  int m_nBars = 0;
  int m_nBarsPerSection = 8;
  int m_nEighthsPerBar = 8;
  int m_bClosePlay = 0;
  std::string m_strPianoInt;
  double m_dBarSeconds = 0.0;
  double m_dEighthMs = 0.0;
  int m_nDegree = 0;
  std::vector<std::string> m_barNotes;
  std::vector<std::string> m_barRhythms;
  int m_nPlanCursor = 0;
  std::vector<std::string> m_scaleNotes;

 private:
  uint32_t m_nRandState = 0;
};

// Results of WriteMixExcerpt and WritePianoExcerpt.
inline constexpr int kExcerptWritten = 0;
inline constexpr int kExcerptFailed = 1;

extern CComposer theComposer;
