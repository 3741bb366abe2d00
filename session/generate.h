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
// Results: 0 a piece was made (state idle, new session name, piece path = its "Mix.wav", both
// session flags set, phrase count of the piece); 1 the run stopped early:
//  - not enough disk space or a missing archive: a message, nothing else changed;
//  - the session log cannot be created (archive folder missing or not writable): a message
//    naming the folder, nothing rendered, the previous session's values kept where its files
//    still exist and the session name empty where the clean-up had removed them;
//  - the finished piece is missing: a message, the new session's files removed;
//  - cancelled (a renderer or the mixer returned -1 after STOP or EXIT set the cancel flags):
//    no message, no session left (name empty, its files deleted), piece path unchanged.
// A renderer or mix that fails with a positive code is not a failure of the run; only the
// rhythm figure track's code is shown ("TF Error %d").
//
// Cancellation: the renderers and the mixer handle one pending message per chunk, bar or
// event through platform::PumpOneMessage; the STOP and EXIT handlers (stop_generation.h) run
// inside such a pump.
#pragma once

class CSession;

// Free disk space the program folder must have: for a 5-minute piece and for any other length.
inline constexpr unsigned long long kNeedMegabytesShort = 162;
inline constexpr unsigned long long kNeedMegabytesLong = 486;

int Generate(CSession& session);
// The common exit of a cancelled step: hides the progress bar and the STOP indicator, stops
// the generation animation, sets the state to idle, and when the composer's cancel flag is set
// clears it and removes the session's files; then the session name becomes empty. Returns 0.
int AbortGenerate(CSession& session);
