// CSession: the session values that GENERATE, SAVE, STOP and shutdown share, with the playback
// state, the option set and the board they report to.
//
// One object per process, owned by whoever runs the window or the command line; UI thread
// only. The option set and the view are not owned and must outlive the object; a null view
// drops every notification.
//
// Paths use "/": the archive folder is program folder + "/Archive/" (portable) or the user's
// music folder + "/Vorsk/" (installed; see platform/places.h) and ends with "/"; a
// session's files are session prefix (archive folder + session name) + a fixed name:
// "log.txt", "Piano.wav", "Mix.wav", "tmp.wav", the stems "Stem_<Track>.wav" and the excerpts
// "Mix_NN.wav", "Piano_NN.wav".
#pragma once

#include <functional>
#include <string>

#include "platform/places.h"
#include "session/generate_view.h"

class COptionSet;

// The playback state: what the program is doing now.
enum PlaybackState { kStateIdle = 0, kStateGenerating = 1, kStatePlaying = 2, kStatePaused = 3 };

class CSession {
 public:
  // Free space of the file system holding path in whole MB; false when the query failed.
  using DiskFreeQuery = std::function<bool(const std::string& path, unsigned long long& megabytes)>;

  // programFolder: the folder of the executable, without a trailing "/"; the portable layout
  // (archives beside the program, sessions in its Archive/ folder).
  CSession(COptionSet& options, std::string programFolder, IGenerateView* view = nullptr);
  // The data and archive folders of places.
  CSession(COptionSet& options, const platform::Places& places, IGenerateView* view = nullptr);

  COptionSet& Options() { return m_options; }
  IGenerateView& View() { return m_pView ? *m_pView : m_nullView; }
  void SetView(IGenerateView* view) { m_pView = view; }

  // The archive folder a run names: m_strArchiveHome, or the folder that m_strArchiveOverride
  // gives (with a "/" appended when it lacks one). The save summary names the same folder.
  std::string ArchiveFolderForRun() const;

  std::string m_strDataFolder;     // holds Data0.dat .. data4.dat; no trailing "/"
  std::string m_strArchiveHome;    // sessions without an override; ends with "/"
  std::string m_strArchiveFolder;  // ends with "/"; empty before the first run
  // vorsk-cli --out: the folder that replaces m_strArchiveHome; empty in the window.
  std::string m_strArchiveOverride;
  std::string m_strSessionName;    // "%y%m%d_%H%M%S_" of the run's start; empty when none
  std::string m_strSessionPrefix;  // archive folder + session name
  std::string m_strPiecePath;      // the last completed piece ("...Mix.wav"); empty before
  int m_nPhraseCount = 0;          // 8-bar phrases of the last piece
  // Tempo (quarter notes per minute) the last piece was composed at. Its phrase timing and
  // excerpts follow it, not the Tempo option, which may have changed since; 0 before a piece.
  int m_nPieceTempo = 0;
  int m_nPhraseNumber = 0;         // phrase being played; 0 outside playback and in the lead-in
  bool m_bSessionUnsaved = false;  // DeleteSessionFiles acts while set
  bool m_bLogUnsaved = false;      // DeleteSessionFiles also removes the log while set
  // Keep each track's file beside the piece as a stem (session/stems.h); vorsk-cli --stems.
  bool m_bKeepStems = false;
  // Set by a run whose stems could not all be kept (the piece was made without them); cleared
  // when the next run starts its tracks.
  bool m_bStemsLost = false;
  int m_nPlaybackState = kStateIdle;

  // The free-space query of the disk check; tests replace it.
  DiskFreeQuery m_diskFree;
  // Saving the played phrase as excerpts; installed by the player. SaveSession calls it when
  // the phrase number is not 0 and it is set, and saves the whole session otherwise.
  std::function<int()> m_saveExcerpts;

 private:
  COptionSet& m_options;
  IGenerateView* m_pView;
  CNullView m_nullView;
};
