// The AVI layout.
#include "avi_muxer.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kKeyFrame = 0x10;         // AVIIF_KEYFRAME
constexpr uint32_t kHasIndex = 0x10;         // AVIF_HASINDEX
constexpr uint32_t kIsInterleaved = 0x100;   // AVIF_ISINTERLEAVED
constexpr uint32_t kMainHeaderSize = 56;
constexpr uint32_t kStreamHeaderSize = 56;
constexpr uint32_t kBitmapHeaderSize = 40;
constexpr uint32_t kWaveFormatSize = 18;
constexpr uint32_t kExtendedHeaderSize = 248;
constexpr uint32_t kIndexHeaderSize = 24;    // both index kinds
constexpr uint32_t kSuperEntrySize = 16;
constexpr uint32_t kStandardEntrySize = 8;
constexpr uint32_t kLegacyEntrySize = 16;
constexpr int64_t kUnitsPerSecond = 10000000;

// Little-endian bytes of a header built in memory.
class Bytes {
public:
    void U8(uint8_t v) { m_bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Tag(const char* tag) { m_bytes.insert(m_bytes.end(), tag, tag + 4); }
    void Zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    size_t Size() const { return m_bytes.size(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    // Fills in a 32-bit value written earlier at `at`.
    void SetU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) m_bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t> m_bytes;
};

const char* ChunkTag(bool video) { return video ? "00dc" : "01wb"; }
const char* IndexTag(bool video) { return video ? "ix00" : "ix01"; }

uint32_t Clamp32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

uint64_t Gcd(uint64_t a, uint64_t b) {
    while (b) {
        uint64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

}  // namespace

AviMuxer::AviMuxer(AviByteSink& sink, const AviVideoFormat& video, const AviAudioFormat& audio,
                   const AviLimits& limits)
    : m_sink(sink), m_video(video), m_audio(audio), m_limits(limits) {
    if (m_video.framePeriod <= 0) m_video.framePeriod = 333333;
    if (m_limits.maxSegments == 0) m_limits.maxSegments = 1;
}

bool AviMuxer::Put(const void* data, size_t size) {
    if (m_failed) return false;
    if (size && !m_sink.Write(data, size)) m_failed = true;
    return !m_failed;
}

bool AviMuxer::PutU32(uint32_t value) {
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Put(bytes, 4);
}

bool AviMuxer::PutTag(const char* tag) { return Put(tag, 4); }

bool AviMuxer::PatchU32(uint64_t offset, uint32_t value) {
    if (m_failed) return false;
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    if (!m_sink.WriteAt(offset, bytes, 4)) m_failed = true;
    return !m_failed;
}

bool AviMuxer::Begin() {
    if (!WriteHeaders()) return false;
    m_segments.push_back({0, m_sink.Position()});
    if (!PutTag("LIST") || !PutU32(0) || !PutTag("movi")) return false;
    m_lastGood = m_sink.Position();
    m_segmentOpen = true;
    return true;
}

// RIFF 'AVI ' with the 'hdrl' list: the main header, a stream list per stream (header, format
// and a super index with room for every segment) and the OpenDML extended header.
bool AviMuxer::WriteHeaders() {
    uint64_t start = m_sink.Position();
    Bytes h;
    h.Tag("RIFF");
    h.U32(0);
    h.Tag("AVI ");
    h.Tag("LIST");
    size_t hdrlSize = h.Size();
    h.U32(0);
    h.Tag("hdrl");

    h.Tag("avih");
    h.U32(kMainHeaderSize);
    m_mainHeader = start + h.Size();
    h.U32(static_cast<uint32_t>(m_video.framePeriod / 10));  // microseconds per frame
    h.U32(0);                                                // max bytes per second
    h.U32(0);                                                // padding granularity
    h.U32(kHasIndex | kIsInterleaved);
    h.U32(0);  // frames of the first RIFF
    h.U32(0);  // initial frames
    h.U32(HasAudio() ? 2 : 1);  // streams
    h.U32(0);  // suggested buffer size
    h.U32(m_video.width);
    h.U32(m_video.height);
    h.Zeros(16);

    uint64_t periodGcd = Gcd(static_cast<uint64_t>(m_video.framePeriod), kUnitsPerSecond);
    for (bool video : {true, false}) {
        if (!video && !HasAudio()) break;
        uint32_t superSize = kIndexHeaderSize + kSuperEntrySize * m_limits.maxSegments;
        uint32_t formatSize = video ? kBitmapHeaderSize : kWaveFormatSize;
        h.Tag("LIST");
        h.U32(4 + 8 + kStreamHeaderSize + 8 + formatSize + 8 + superSize);
        h.Tag("strl");

        h.Tag("strh");
        h.U32(kStreamHeaderSize);
        (video ? m_videoHeader : m_audioHeader) = start + h.Size();
        h.Tag(video ? "vids" : "auds");
        h.Tag(video ? "MJPG" : "\0\0\0\0");
        h.U32(0);  // flags
        h.U16(0);  // priority
        h.U16(0);  // language
        h.U32(0);  // initial frames
        uint16_t block = m_audio.BlockAlign();
        if (video) {
            h.U32(static_cast<uint32_t>(m_video.framePeriod / static_cast<int64_t>(periodGcd)));   // scale
            h.U32(static_cast<uint32_t>(kUnitsPerSecond / static_cast<int64_t>(periodGcd)));       // rate
        } else {
            h.U32(block);
            h.U32(m_audio.samplesPerSecond * block);
        }
        h.U32(0);           // start
        h.U32(0);           // length, filled in at the end
        h.U32(0);           // suggested buffer size
        h.U32(0xFFFFFFFF);  // quality: the default
        h.U32(video ? 0 : block);
        h.U16(0);
        h.U16(0);
        h.U16(static_cast<uint16_t>(video ? m_video.width : 0));
        h.U16(static_cast<uint16_t>(video ? m_video.height : 0));

        h.Tag("strf");
        h.U32(formatSize);
        if (video) {
            h.U32(kBitmapHeaderSize);
            h.U32(m_video.width);
            h.U32(m_video.height);
            h.U16(1);   // planes
            h.U16(24);  // bits per pixel once decoded
            h.Tag("MJPG");
            h.U32(m_video.width * m_video.height * 3);
            h.Zeros(16);
        } else {
            h.U16(1);  // PCM
            h.U16(m_audio.channels);
            h.U32(m_audio.samplesPerSecond);
            h.U32(m_audio.samplesPerSecond * block);
            h.U16(block);
            h.U16(m_audio.bitsPerSample);
            h.U16(0);
        }

        h.Tag("indx");
        h.U32(superSize);
        (video ? m_videoSuper : m_audioSuper) = start + h.Size();
        h.U16(4);  // longs per entry
        h.U8(0);   // sub type
        h.U8(0);   // AVI_INDEX_OF_INDEXES
        h.U32(0);  // entries in use
        h.Tag(ChunkTag(video));
        h.Zeros(12);
        h.Zeros(kSuperEntrySize * m_limits.maxSegments);
    }

    h.Tag("LIST");
    h.U32(4 + 8 + kExtendedHeaderSize);
    h.Tag("odml");
    h.Tag("dmlh");
    h.U32(kExtendedHeaderSize);
    m_extendedHeader = start + h.Size();
    h.Zeros(kExtendedHeaderSize);

    h.SetU32(hdrlSize, static_cast<uint32_t>(h.Size() - hdrlSize - 4));
    return Put(h.Data(), h.Size());
}

bool AviMuxer::AddVideoFrame(const uint8_t* data, size_t size) {
    if (!AddChunk(true, data, size)) return false;
    ++m_videoFrames;
    ++m_videoIndex.duration;
    return true;
}

bool AviMuxer::RepeatVideoFrame() {
    if (m_failed || m_videoFrames == 0) return !m_failed;
    // Its own chunk in file order, so that readers that read chunks in order, and not the
    // index, still count the frame; and so every index entry follows the one before it.
    if (!AddChunk(true, nullptr, 0, false)) return false;
    ++m_videoFrames;
    ++m_videoIndex.duration;
    return true;
}

bool AviMuxer::AddAudio(const uint8_t* data, size_t size) {
    uint16_t block = m_audio.BlockAlign();
    if (!HasAudio() || block == 0 || size % block != 0) return !m_failed;  // never a partial block
    if (!AddChunk(false, data, size)) return false;
    m_audioBlocks += size / block;
    m_audioIndex.duration += size / block;
    return true;
}

bool AviMuxer::AddChunk(bool video, const uint8_t* data, size_t size, bool key) {
    if (m_failed || m_finished || size > 0x7FFFFFFFu) return false;
    if (!SplitBeforeChunkOf(size)) return false;
    uint64_t header = m_sink.Position();
    static const uint8_t kPad = 0;
    if (!PutTag(ChunkTag(video)) || !PutU32(static_cast<uint32_t>(size)) || !Put(data, size) ||
        ((size & 1) && !Put(&kPad, 1)))
        return false;
    m_lastGood = m_sink.Position();
    m_chunkStarts.push_back(header);
    Entry entry{header + 8, static_cast<uint32_t>(size), key};
    (video ? m_videoIndex : m_audioIndex).entries.push_back(entry);
    if (m_segments.size() == 1) m_legacy.push_back({video, entry.offset, entry.size, key});
    uint32_t& largest = video ? m_largestVideoChunk : m_largestAudioChunk;
    if (entry.size > largest) largest = entry.size;
    return true;
}

// Bytes the current segment still needs to be closed: its indexes (and, in the first RIFF,
// the AVI 1.0 index).
uint64_t AviMuxer::ClosingBytes() const {
    uint64_t bytes = 0;
    for (const StreamIndex* index : {&m_videoIndex, &m_audioIndex})
        if (!index->entries.empty()) bytes += 8 + kIndexHeaderSize + kStandardEntrySize * index->entries.size();
    if (m_segments.size() == 1) bytes += 8 + kLegacyEntrySize * m_legacy.size();
    return bytes;
}

bool AviMuxer::SplitBeforeChunkOf(size_t size) {
    const Segment& current = m_segments.back();
    bool empty = m_videoIndex.entries.empty() && m_audioIndex.entries.empty();
    uint64_t after = m_sink.Position() - current.riffStart + 8 + size + 1 + ClosingBytes() +
                     kLegacyEntrySize + kStandardEntrySize;
    if (empty || after <= m_limits.riffSize) return true;
    if (m_segments.size() >= m_limits.maxSegments) {
        m_failed = true;  // no room left in the super index: the recording ends here
        return false;
    }
    return CloseSegment() && OpenSegment();
}

bool AviMuxer::OpenSegment() {
    Segment segment{m_sink.Position(), m_sink.Position() + 12};
    if (!PutTag("RIFF") || !PutU32(0) || !PutTag("AVIX") || !PutTag("LIST") || !PutU32(0) ||
        !PutTag("movi"))
        return false;
    m_segments.push_back(segment);
    m_chunkStarts.clear();
    m_lastGood = m_sink.Position();
    m_segmentOpen = true;
    return true;
}

bool AviMuxer::WriteStandardIndex(bool video) {
    StreamIndex& index = video ? m_videoIndex : m_audioIndex;
    if (index.entries.empty()) return true;
    const Segment& segment = m_segments.back();
    uint64_t offset = m_sink.Position();
    uint32_t size = kIndexHeaderSize + kStandardEntrySize * static_cast<uint32_t>(index.entries.size());
    Bytes b;
    b.Tag(IndexTag(video));
    b.U32(size);
    b.U16(2);  // longs per entry
    b.U8(0);
    b.U8(1);   // AVI_INDEX_OF_CHUNKS
    b.U32(static_cast<uint32_t>(index.entries.size()));
    b.Tag(ChunkTag(video));
    b.U64(segment.riffStart);
    b.U32(0);
    for (const Entry& e : index.entries) {
        b.U32(static_cast<uint32_t>(e.offset - segment.riffStart));
        b.U32(e.key ? e.size : e.size | 0x80000000u);  // the top bit marks a delta frame
    }
    if (!Put(b.Data(), b.Size())) return false;
    (video ? m_videoSuperEntries : m_audioSuperEntries)
        .push_back({offset, 8 + size, Clamp32(index.duration)});
    return true;
}

bool AviMuxer::WriteLegacyIndex() {
    const Segment& first = m_segments.front();
    uint64_t moviTag = first.moviStart + 8;  // offsets count from the 'movi' tag
    Bytes b;
    b.Tag("idx1");
    b.U32(kLegacyEntrySize * static_cast<uint32_t>(m_legacy.size()));
    for (const LegacyEntry& e : m_legacy) {
        b.Tag(ChunkTag(e.video));
        b.U32(e.key ? kKeyFrame : 0);
        b.U32(static_cast<uint32_t>(e.offset - 8 - moviTag));
        b.U32(e.size);
    }
    return Put(b.Data(), b.Size());
}

bool AviMuxer::CloseSegment() {
    const Segment segment = m_segments.back();
    size_t videoSupers = m_videoSuperEntries.size(), audioSupers = m_audioSuperEntries.size();
    bool closed = WriteStandardIndex(true) && WriteStandardIndex(false) &&
                  PatchU32(segment.moviStart + 4, Clamp32(m_sink.Position() - segment.moviStart - 8)) &&
                  (m_segments.size() > 1 || WriteLegacyIndex()) &&
                  PatchU32(segment.riffStart + 4, Clamp32(m_sink.Position() - segment.riffStart - 8));
    if (!closed) {
        // What was written of the closing goes again when the segment is closed once more.
        m_videoSuperEntries.resize(videoSupers);
        m_audioSuperEntries.resize(audioSupers);
        return false;
    }
    if (m_segments.size() == 1) {
        m_firstRiffFrames = m_videoFrames;
        m_legacy.clear();
    }
    m_videoIndex = StreamIndex();
    m_audioIndex = StreamIndex();
    m_segmentOpen = false;
    m_lastGood = m_sink.Position();
    return true;
}

bool AviMuxer::CompleteHeaders() {
    double seconds = static_cast<double>(m_videoFrames) * static_cast<double>(m_video.framePeriod) /
                     static_cast<double>(kUnitsPerSecond);
    uint32_t maxBytesPerSecond = 0;
    if (seconds > 0) {
        double videoBytesPerSecond = m_videoFrames ? m_largestVideoChunk / (static_cast<double>(m_video.framePeriod) / kUnitsPerSecond) : 0;
        maxBytesPerSecond = Clamp32(static_cast<uint64_t>(videoBytesPerSecond) + m_audio.samplesPerSecond * m_audio.BlockAlign());
    }
    uint32_t largest = m_largestVideoChunk > m_largestAudioChunk ? m_largestVideoChunk : m_largestAudioChunk;
    bool complete = PatchU32(m_mainHeader + 4, maxBytesPerSecond) &&
                    PatchU32(m_mainHeader + 16, Clamp32(m_firstRiffFrames)) &&
                    PatchU32(m_mainHeader + 28, largest + 8) &&
                    PatchU32(m_videoHeader + 32, Clamp32(m_videoFrames)) &&
                    PatchU32(m_videoHeader + 36, m_largestVideoChunk + 8) &&
                    (!HasAudio() || (PatchU32(m_audioHeader + 32, Clamp32(m_audioBlocks)) &&
                                     PatchU32(m_audioHeader + 36, m_largestAudioChunk + 8))) &&
                    PatchU32(m_extendedHeader, Clamp32(m_videoFrames));
    for (bool video : {true, false}) {
        if (!video && !HasAudio()) break;
        const std::vector<SuperEntry>& entries = video ? m_videoSuperEntries : m_audioSuperEntries;
        uint64_t at = video ? m_videoSuper : m_audioSuper;
        Bytes b;
        for (const SuperEntry& e : entries) {
            b.U64(e.offset);
            b.U32(e.size);
            b.U32(e.duration);
        }
        complete = complete && PatchU32(at + 4, static_cast<uint32_t>(entries.size()));
        if (complete && b.Size() && !m_sink.WriteAt(at + kIndexHeaderSize, b.Data(), b.Size()))
            m_failed = complete = false;
    }
    return complete;
}

bool AviMuxer::Finish() {
    if (m_finished) return !m_failed;
    if (!m_failed) {
        // The video lasts as long as the sound, within one frame.
        uint64_t audioUnits = m_audio.samplesPerSecond
                                  ? m_audioBlocks * kUnitsPerSecond / m_audio.samplesPerSecond
                                  : 0;
        uint64_t wanted = audioUnits / static_cast<uint64_t>(m_video.framePeriod);
        while (m_videoFrames > 0 && m_videoFrames < wanted && RepeatVideoFrame()) {
        }
    }
    m_finished = true;
    if (!m_failed && CloseSegment() && CompleteHeaders()) return m_complete = true;
    return Salvage();
}

void AviMuxer::DropTail(uint64_t keepBefore) {
    auto drop = [&](StreamIndex& index, bool video) {
        while (!index.entries.empty() && index.entries.back().offset > keepBefore) {
            uint32_t size = index.entries.back().size;
            index.entries.pop_back();
            if (video) {
                --m_videoFrames;
                --index.duration;
            } else {
                uint64_t blocks = m_audio.BlockAlign() ? size / m_audio.BlockAlign() : 0;
                m_audioBlocks -= blocks;
                index.duration -= blocks;
            }
        }
    };
    drop(m_videoIndex, true);
    drop(m_audioIndex, false);
    while (!m_legacy.empty() && m_legacy.back().offset > keepBefore) m_legacy.pop_back();
    while (!m_chunkStarts.empty() && m_chunkStarts.back() >= keepBefore) m_chunkStarts.pop_back();
}

// After a write error: cut the file after the last complete chunk and close it there; where
// the disk has no room for the indexes, give up chunks from the end until it has.
bool AviMuxer::Salvage() {
    // Only what reached the disk counts; a segment whose own header did not goes entirely.
    uint64_t durable = m_sink.Durable();
    if (m_segmentOpen && m_lastGood > durable) {
        while (m_lastGood > durable && !m_chunkStarts.empty()) {
            m_lastGood = m_chunkStarts.back();
            m_chunkStarts.pop_back();
        }
        if (m_lastGood > durable) {
            if (m_segments.size() == 1) return false;
            m_lastGood = m_segments.back().riffStart;
            DropTail(m_lastGood);
            m_segments.pop_back();
            m_segmentOpen = false;
        } else {
            DropTail(m_lastGood);
        }
    }
    for (int attempt = 0; attempt < 64; ++attempt) {
        m_failed = false;
        if (!m_sink.Truncate(m_lastGood)) break;
        if ((!m_segmentOpen || CloseSegment()) && CompleteHeaders()) return true;
        if (!m_segmentOpen) break;
        // Free at least what the indexes need, and some more, from the end of the segment.
        uint64_t needed = ClosingBytes() + 4096 * static_cast<uint64_t>(attempt + 1);
        uint64_t emptyMovi = m_segments.back().moviStart + 12;
        uint64_t keepBefore = m_lastGood;
        while (!m_chunkStarts.empty() && m_lastGood - keepBefore < needed) {
            keepBefore = m_chunkStarts.back();
            m_chunkStarts.pop_back();
        }
        if (keepBefore == m_lastGood) {
            if (m_lastGood == emptyMovi) break;  // nothing left to give up
            keepBefore = emptyMovi;
        }
        DropTail(keepBefore);
        m_lastGood = keepBefore;
    }
    m_failed = true;
    return false;
}
