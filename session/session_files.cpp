#include "session/session_files.h"

#include <cerrno>

#include "platform/file_io.h"
#include "platform/message_box.h"
#include "render/wave_format.h"
#include "session/session_runs.h"
#include "session/session_state.h"
#include "session/stems.h"

namespace {

constexpr const char* kSaveCaption = "Vorsk - Save Session";
constexpr const char* kFileErrorCaption = "Vorsk - File Error";

// Files of a run named without looking at the folder.
constexpr const char* kRunFileNames[] = {"Mix.wav", "Piano.wav", "tmp.wav", "log.txt", kRunMarkerName};

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Excerpts always stay; the log stays once an excerpt of the session was saved.
bool KeepOnCleanUp(const std::string& path, bool bLogUnsaved) {
  return Contains(path, "Piano_") || Contains(path, "Mix_") ||
         (Contains(path, "_log.txt") && !bLogUnsaved);
}

}  // namespace

int DeleteSessionFiles(CSession& session) {
  if (session.m_strSessionName.empty() || !session.m_bSessionUnsaved) return 0;
  const std::string& folder = session.m_strArchiveFolder;
  const auto remove = [&](const std::string& path) {
    if (KeepOnCleanUp(path, session.m_bLogUnsaved)) return;
    while (!platform::DeleteFile(path) && errno != ENOENT) {
      const int answer = platform::MessageBox(
          "Can't delete file: " + path + "\nbecause it's being used by another program.",
          kFileErrorCaption, platform::MbIcon::Exclamation, platform::MbButtons::RetryCancel);
      if (answer != platform::IDRETRY) break;
    }
  };
  // The files every run makes go by name, so a folder that may be written but not listed
  // loses them too; the listing then finds whatever else carries the session's name.
  for (const char* name : kRunFileNames) remove(folder + session.m_strSessionName + name);
  for (const StemName& stem : kStemNames) remove(folder + session.m_strSessionName + StemFileName(stem));
  for (const std::string& name : platform::ListFolder(folder, session.m_strSessionName)) {
    remove(folder + name);
  }
  return 0;
}

std::string WholeSessionSummary(const std::string& folder, const std::string& sessionName) {
  // The names as they are on disk: names are case-sensitive here.
  return "Files are saved in folder " + folder + "\n\nLog    file:\t\t" + sessionName +
         "log.txt" + "\nMusic file:\t\t" + sessionName + "Mix.wav" + "\nPiano file:\t\t" +
         sessionName + "Piano.wav";
}

int SaveSession(CSession& session) {
  IGenerateView& board = session.View();
  board.ShowControl(view::kSaveIndicator, true);
  if (session.m_strSessionName.empty()) {
    platform::MessageBox("Nothing to save!", kSaveCaption, platform::MbIcon::Information);
    board.ShowControl(view::kSaveIndicator, false);
    board.ShowControl(view::kStopIndicator, true);
    return 0;
  }
  if (session.m_nPhraseNumber != 0 && session.m_saveExcerpts) return session.m_saveExcerpts();

  board.ShowControl(view::kSaveIndicator, true);
  const std::string summary =
      WholeSessionSummary(session.ArchiveFolderForRun(), session.m_strSessionName);
  session.m_bSessionUnsaved = false;
  platform::MessageBox(summary, kSaveCaption, platform::MbIcon::Information);
  board.ShowControl(view::kSaveIndicator, false);
  return 0;
}

std::string CheckPieceFiles(const std::string& sessionPrefix) {
  const std::string log = sessionPrefix + "log.txt";
  platform::FileHandle h = platform::OpenExisting(log);
  const long long logSize = platform::FileSize(h);
  platform::CloseFile(h);
  if (logSize <= 0) return log + (logSize < 0 ? " is missing" : " is empty");
  for (const char* track : {"Piano.wav", "Mix.wav"}) {
    const std::string path = sessionPrefix + track;
    h = platform::OpenExisting(path);
    if (!platform::IsOpen(h)) return path + " is missing";
    unsigned char header[wave::kHeaderBytes] = {};
    const int read = platform::ReadFile(h, header, wave::kHeaderBytes);
    const long long size = platform::FileSize(h);
    platform::CloseFile(h);
    const long long announced =
        wave::kHeaderBytes + (static_cast<long long>(header[40]) | (header[41] << 8) | (header[42] << 16) |
                              (static_cast<long long>(header[43]) << 24));
    if (read < wave::kHeaderBytes || size != announced) {
      return path + " holds " + std::to_string(size) + " bytes, its header announces " + std::to_string(announced);
    }
  }
  return {};
}
