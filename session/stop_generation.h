// The STOP and EXIT buttons while a piece is being generated.
//
// A run suspended in a renderer's or the mixer's message pump dispatches the click; these
// calls then act on the run from inside that pump: they set the two cancel flags (the
// composer's and the mixer's m_bAbort), and STOP also closes the files the suspended routine
// holds open and removes the session's files. The routine sees its flag when the pump returns
// and gives -1; the pipeline then cleans up and Generate returns 1.
//
// Handle ownership: CloseGenerationFiles closes the composer's m_hArchive and m_hOutWave and
// the mixer's m_hOut, m_hSource, m_hIn1 and m_hIn2, in that order, each only when nonzero,
// and clears each to 0. The suspended routine never touches a cleared field again. UI thread
// only.
#pragma once

class CSession;

// Sets the cancel flags of the composer and of the mixer.
void SetCancelFlags();
// Closes and clears the handles of the renderer and the mixer (order above).
void CloseGenerationFiles();

// The stop action for the idle and generating states: the manual goes to the idle series;
// while generating the open files are closed and the session's files deleted; then the state
// and the phrase number become 0 and the STOP indicator is shown. Returns 0. Playing and
// paused states belong to the player, which adds its own step.
int StopGeneration(CSession& session);

// The STOP click: show the STOP indicator, set the cancel flags when generating, then the stop
// action. The EXIT click sets the cancel flags when generating (ending the program is the
// caller's part).
void PressStop(CSession& session);
void PressExit(CSession& session);
