// The short preview sounds: the option-change click (sound 0, "WAV_U.wav") and the twelve note
// sounds (1 to 12, "WAV_01.wav" .. "WAV_12.wav") from the temporary folder, played on their
// own multimedia alias "vknote", beside the piece player's "vk".
//
// PlayPreviewSound closes "vknote" (cutting off a sound still playing), opens the sound and
// plays it without waiting; it returns 0 whether or not the sound could be opened (a missing
// sound file plays nothing and says nothing). The device stays open until the next preview or
// "close all wait". The window's option-change sound calls it with 0. UI thread only.
#pragma once

#include <string>

// tempFolder ends with "/".
int PlayPreviewSound(int nSound, const std::string& tempFolder);
// The same from the process's temporary folder.
int PlayPreviewSound(int nSound);
