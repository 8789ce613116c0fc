// What the title tells of a recording while it runs: how long frames have been reaching its
// file (time in which none came does not count), how big the file is, and whether its disk is about to fill (below 200 MB, or less than
// two minutes at the rate the file grows), checked as the recording begins and every 10 s.
// User-interface thread only.
#pragma once
#include <cstdint>
#include <string>

// The recording's file, named by the record build.
extern std::wstring g_recordingFile;

// The recording has begun: its time counts from now.
void BeginRecordingStatus();
void EndRecordingStatus();
// Once a second while recording, with the frames counted since the graph ran and those the
// recording dropped (a machine that cannot keep up): the file's size now; every tenth time the
// disk's free space.
void UpdateRecordingStatus(unsigned frames, unsigned dropped);
// "recording 00:01:23 - 45.2 MB" ("recording without sound ..."), " - frames dropped" once the
// recording dropped frames, and " - low disk space" where the disk is about to fill, in the user
// interface's language.
std::wstring RecordingStatusText(bool withoutSound);

// True when the volume of `folder` has less than 200 MB free, or less than two minutes at
// `bytesPerSecond`; false where the free space cannot be read.
bool DiskSpaceLow(const std::wstring& folder, double bytesPerSecond);
