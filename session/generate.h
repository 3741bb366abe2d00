// The GENERATE pipeline: checks, session naming, composition, rendering and mixing of a piece.
//
// Generate is one synchronous call on the UI thread. It reads the option set of the session
// (GenerateLength included) and drives theComposer and theMixer: the composer writes the log and
// the plan, each renderer writes its voice files into the temporary folder, and the mixer joins
// them into the session's "Piano.wav" and "Mix.wav" in the archive folder. Each voice or track
// file is deleted as soon as it has been mixed. Every window notification goes through the
// session's view, messages through platform::MessageBox, "close vk wait" through
// platform::MciSendString.
//
// Before it changes anything the run checks the room in the session folder and in the
// temporary folder (run_checks.h) and that every sample archive is there and whole. It then
// removes what killed runs left in the session folder, claims a session name no other run
// holds (session_runs.h) and keeps it marked as in progress until it returns.
//
// Results: kGenerateOk, a piece was made (state idle, new session name, piece path = its
// "Mix.wav", both session flags set, phrase count of the piece); kGenerateStopped, the run
// stopped early:
//  - not enough disk space, or an archive missing or damaged: a message, nothing changed;
//  - no session name or log can be claimed (archive folder missing, not writable or full): a
//    message naming the folder and the cause, nothing rendered, the previous session's values
//    kept where its files still exist and the session name empty where the clean-up had
//    removed them;
//  - a renderer, mix or copy failed (any result but 0 and -1, or a file that failed under it):
//    one message naming the file and the cause (or the step and its code), the new session's
//    files and the step's voice files removed, no session left;
//  - cancelled (a renderer or the mixer returned -1 after STOP or EXIT set the cancel flags):
//    no message, no session left (name empty, its files deleted), piece path unchanged.
// A track the catalog cannot make for these options (a positive renderer result with no file
// failing, such as drum loops at tempo 90) is left out and the run goes on; the rhythm figure
// track then shows its result ("TF Error %d"), the others stay silent, as they always did.
// The scratch folder of the voice files and the in-progress marker go on every way out.
// With the session's m_bKeepStems set, each track's file is also kept beside the piece as its
// stem (session/stems.h) before it is mixed in; a stem that cannot be written is reported
// ("Vorsk - Error", exclamation icon) and left out with the ones after it, the piece goes on.
//
// Cancellation: the renderers and the mixer handle one pending message per chunk, bar or
// event through platform::PumpOneMessage; the STOP and EXIT handlers (stop_generation.h) run
// inside such a pump.
#pragma once

#include "session/run_checks.h"

class CSession;

inline constexpr int kGenerateOk = 0;
inline constexpr int kGenerateStopped = 1;

int Generate(CSession& session);
// The common exit of a cancelled step: hides the progress bar and the STOP indicator, stops
// the generation animation, sets the state to idle, and when the composer's cancel flag is set
// clears it and removes the session's files; then the session name becomes empty. Returns 0.
int AbortGenerate(CSession& session);
