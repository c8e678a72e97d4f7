// The file reader (PlaylistReader, ProbeReader): plays a media file as program frames at
// 30000/1001 frames per second, whatever the file's own rate.
//
// Timeline. Program frame k starts at media time k * 1001/30000 s (media time 0 is the start of
// the file's main stream) and shows the source picture whose presentation time covers that
// time (the newest picture that starts no later than it), so a 25 fps file repeats pictures
// and a 59.94 fps one skips every other. The last program frame is the last one starting
// before the media's end (its duration, or the end of the decodable data when that comes
// first); an end less than 1 ms past a frame boundary does not start another frame.
//
// Pull contract (PullFrame(props, position, -1, -1, frame, hints)):
//  - position >= 0: the program frame at that media time, decoded exactly (from the key frame
//    before it); past the end, the last frame. May block until it is decoded (at most 2 s, then
//    nil).
//  - position < 0: the frame |position| program frames after the last one returned (-1 normal
//    play, -3 after a step). After an open the first pull returns frame 0 (blocking like a
//    seek). Never blocks afterwards: when decoding has not kept up, the last frame is returned
//    again (with silence); after the last frame of the media, the last frame is returned again
//    without the end flag (with silence).
//  - hints " pause=true" (and a negative position): the current frame again, with silence.
//  - hints " reverse=true" (and a negative position): one program frame back (frame 0 stays).
//  - The frame's M_TIME: rtStartTime = start of its program frame in 100-ns units, rtEndTime =
//    start of the next one; eFFlags has eMFF_EndOfMedia when the frame is the last of the media
//    and was reached by playing, stepping or seeking (not on the repeats described above), so
//    playing through flags it exactly once.
//  - Sound: every frame returned since the open (repeats included) is counted; the n-th one
//    (from 0) carries SamplesBefore(n + 1) - SamplesBefore(n) samples of 48 kHz stereo S16, so
//    after n frames exactly SamplesBefore(n) samples went out whatever the seeks and pauses.
//    In play the samples are the media's sound of that program frame; silence for repeats and
//    for files without sound.
//  - Picture: the decoder's own frame (any pixel format libswscale reads), shared by reference;
//    nullptr for a file without pictures. props receives the source's size and rate and the
//    program sound's format.
//  - A file that failed to open (or none) gives nil frames and a duration of 0.
//
// Threads. Each open file has one decode thread that runs a few program frames ahead into a
// bounded queue (DecodeSession); the decoder uses its own threads as well. PullFrame may be
// called from one thread at a time (the frame pump, or the cue); OpenMediaFile, CloseMediaFile
// and QueryMediaDuration may be called from another thread meanwhile. Open and close wake a
// pull that waits and wait for a pull in progress to return, so after OpenMediaFile returns no
// frame of the previous file is returned.
#pragma once

#include "engine/media/core/interfaces.h"

namespace vexto::media {

// A new file reader (IMFReader); the maker registered for CLSID_MFReader.
EngineObjectPtr MakeFileReader();

}  // namespace vexto::media
