// The layout of a recording's AVI file: a Motion-JPEG video stream and a PCM audio stream (or
// none, for a recording without sound) in RIFF AVI with OpenDML (AVI 2.0) indexes, split into
// further 'AVIX' RIFFs so that files past 1 GB and 4 GB stay playable. Headers are written with placeholders first and completed at
// the end; a write error stops the recording, and Finish then keeps what can be kept playable.
// Portable: no Windows header. Not thread-safe: the caller serialises every call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Where the bytes go: sequential writes, with patches of what was written before.
class AviByteSink {
public:
    virtual ~AviByteSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    virtual bool WriteAt(uint64_t offset, const void* data, size_t size) = 0;
    // Cuts the file at `size` (the writing position moves there).
    virtual bool Truncate(uint64_t size) = 0;
    virtual uint64_t Position() const = 0;
    // How much of the file really reached the disk: after a failed write, a buffering sink
    // may have lost what it held.
    virtual uint64_t Durable() const { return Position(); }
};

struct AviVideoFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    int64_t framePeriod = 333333;  // 100-ns units; the file's constant frame rate
};

// A format of 0 channels: a recording without sound, whose file has the video stream alone.
struct AviAudioFormat {
    uint16_t channels = 1;
    uint32_t samplesPerSecond = 44100;
    uint16_t bitsPerSample = 16;
    uint16_t BlockAlign() const { return static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8)); }
};

struct AviLimits {
    uint64_t riffSize = 1000u * 1000u * 1000u;  // a RIFF is closed before it would pass this
    uint32_t maxSegments = 256;                 // super index entries reserved in the header
};

class AviMuxer {
public:
    AviMuxer(AviByteSink& sink, const AviVideoFormat& video, const AviAudioFormat& audio,
             const AviLimits& limits = AviLimits());

    // Writes the headers with room for what Finish fills in, and opens the first 'movi' list.
    bool Begin();
    // One compressed frame at the next frame position.
    bool AddVideoFrame(const uint8_t* data, size_t size);
    // The previous frame shown once more: an empty video chunk, which readers take as a frame
    // that repeats the one before it (a "drop" frame). Nothing happens before the first frame.
    bool RepeatVideoFrame();
    // PCM bytes, a whole number of blocks.
    bool AddAudio(const uint8_t* data, size_t size);
    // Repeats the last frame until the video lasts as long as the audio (within one frame),
    // closes the last RIFF with its indexes and completes the headers. After a write error it
    // cuts off what could not be written completely and, where the disk has no room for the
    // indexes, the last chunks, so that the file stays playable.
    bool Finish();

    bool Failed() const { return m_failed; }
    bool HasAudio() const { return m_audio.channels > 0; }
    // After Finish: everything recorded is in the file (no write error at any time).
    bool Complete() const { return m_complete; }
    uint64_t VideoFrames() const { return m_videoFrames; }
    uint64_t AudioBlocks() const { return m_audioBlocks; }
    uint32_t Segments() const { return static_cast<uint32_t>(m_segments.size()); }

private:
    struct Entry {
        uint64_t offset;  // of the chunk's data in the file
        uint32_t size;
        bool key;         // a picture of its own; a repeat is not
    };
    struct StreamIndex {
        std::vector<Entry> entries;  // of the current segment
        uint64_t duration = 0;       // frames or blocks in the current segment
    };
    struct SuperEntry {
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    struct Segment {
        uint64_t riffStart;  // offset of the 'RIFF' tag
        uint64_t moviStart;  // offset of the 'movi' list's 'LIST' tag
    };

    bool Put(const void* data, size_t size);
    bool PutU32(uint32_t value);
    bool PutTag(const char* tag);
    bool PatchU32(uint64_t offset, uint32_t value);
    bool WriteHeaders();
    bool WriteStreamList(bool video);
    bool AddChunk(bool video, const uint8_t* data, size_t size, bool key = true);
    bool OpenSegment();
    bool CloseSegment();
    bool WriteStandardIndex(bool video);
    bool WriteLegacyIndex();
    bool CompleteHeaders();
    bool SplitBeforeChunkOf(size_t size);
    uint64_t ClosingBytes() const;
    void DropTail(uint64_t keepBefore);
    bool Salvage();

    AviByteSink& m_sink;
    AviVideoFormat m_video;
    AviAudioFormat m_audio;
    AviLimits m_limits;
    bool m_failed = false;
    bool m_finished = false;
    bool m_complete = false;

    // Header positions to complete at the end.
    uint64_t m_mainHeader = 0;
    uint64_t m_videoHeader = 0;
    uint64_t m_audioHeader = 0;
    uint64_t m_videoSuper = 0;
    uint64_t m_audioSuper = 0;
    uint64_t m_extendedHeader = 0;

    std::vector<Segment> m_segments;
    StreamIndex m_videoIndex;
    StreamIndex m_audioIndex;
    std::vector<SuperEntry> m_videoSuperEntries;
    std::vector<SuperEntry> m_audioSuperEntries;
    // First RIFF only: every chunk in file order, for the AVI 1.0 index.
    struct LegacyEntry {
        bool video;
        uint64_t offset;
        uint32_t size;
        bool key;
    };
    std::vector<LegacyEntry> m_legacy;
    uint64_t m_firstRiffFrames = 0;
    uint64_t m_videoFrames = 0;
    uint64_t m_audioBlocks = 0;
    uint32_t m_largestVideoChunk = 0;
    uint32_t m_largestAudioChunk = 0;
    uint64_t m_lastGood = 0;         // end of what was written completely
    bool m_segmentOpen = false;      // a 'movi' list takes chunks
    std::vector<uint64_t> m_chunkStarts;  // of the open segment, in file order
};
