// RoomChain: the stereo room and the high-pass of the master, run by libsox's effects chain
// (a mono send into "reverb", its wet sound added to the dry frames, then "highpass"). The caller pulls nothing: Run drives the chain, asking the source
// for the next stereo frames and handing every processed block to the sink, so that only a
// few blocks of the piece are in memory at a time.
//
// Both effects have no latency: frame n of the output belongs to frame n of the input, and
// the chain hands on exactly as many frames as it was given.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace master {

// Writes up to maxFrames stereo frames (interleaved floats, full scale 1.0) and returns how
// many; 0 ends the input.
using FrameSource = std::function<size_t(float* frames, size_t maxFrames)>;
// Takes count processed stereo frames; false stops the run (cancel, or a failure of its own).
using FrameSink = std::function<bool(const float* frames, size_t count)>;

inline constexpr int kRoomDone = 0;
inline constexpr int kRoomStopped = 1;  // the sink said stop
inline constexpr int kRoomFailed = 2;   // an effect would not start or failed; see error

// Runs the source through the room at 44.1 kHz. error names the effect and the cause on
// kRoomFailed.
int RunRoom(const FrameSource& source, const FrameSink& sink, std::string& error);

}  // namespace master
