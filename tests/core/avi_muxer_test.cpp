// The AVI layout: headers and indexes read back by a small parser of our own and by ffprobe,
// the RIFF split, frame placement by time, and a full disk in the middle of a recording.
#include "recorder/avi_muxer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// A file in memory that can be given a capacity, like a disk that fills.
class MemorySink : public AviByteSink {
public:
    explicit MemorySink(uint64_t capacity = UINT64_MAX) : m_capacity(capacity) {}
    bool Write(const void* data, size_t size) override {
        if (m_position + size > m_capacity) {  // part of it lands, as on a real disk
            size_t room = static_cast<size_t>(m_capacity - m_position);
            Place(data, room);
            return false;
        }
        Place(data, size);
        return true;
    }
    bool WriteAt(uint64_t offset, const void* data, size_t size) override {
        if (offset + size > bytes.size()) return false;
        std::memcpy(&bytes[offset], data, size);
        return true;
    }
    bool Truncate(uint64_t size) override {
        bytes.resize(size);
        m_position = size;
        return true;
    }
    uint64_t Position() const override { return m_position; }

    std::vector<uint8_t> bytes;

private:
    void Place(const void* data, size_t size) {
        if (bytes.size() < m_position + size) bytes.resize(m_position + size);
        std::memcpy(&bytes[m_position], data, size);
        m_position += size;
    }
    uint64_t m_capacity;
    uint64_t m_position = 0;
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint64_t U64(const std::vector<uint8_t>& b, size_t at) {
    return U32(b, at) | static_cast<uint64_t>(U32(b, at + 4)) << 32;
}
std::string Tag(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

// What the parser finds: top-level RIFFs, chunk offsets by tag, and the chunks' sizes.
struct Parsed {
    std::vector<std::string> riffs;  // form types
    std::multimap<std::string, size_t> chunks;  // tag -> offset of the chunk's data
    bool wellFormed = true;
};

void Walk(const std::vector<uint8_t>& b, size_t begin, size_t end, Parsed& p) {
    size_t at = begin;
    while (at + 8 <= end) {
        std::string tag = Tag(b, at);
        uint32_t size = U32(b, at + 4);
        if (at + 8 + size > end) {
            p.wellFormed = false;
            return;
        }
        if (tag == "LIST") Walk(b, at + 12, at + 8 + size, p);
        else p.chunks.insert({tag, at + 8});
        at += 8 + size + (size & 1);
    }
    if (at != end) p.wellFormed = false;
}

Parsed Parse(const std::vector<uint8_t>& b) {
    Parsed p;
    size_t at = 0;
    while (at + 12 <= b.size()) {
        if (Tag(b, at) != "RIFF") {
            p.wellFormed = false;
            break;
        }
        uint32_t size = U32(b, at + 4);
        p.riffs.push_back(Tag(b, at + 8));
        if (at + 8 + size > b.size()) {
            p.wellFormed = false;
            break;
        }
        Walk(b, at + 12, at + 8 + size, p);
        at += 8 + size;
    }
    if (at != b.size()) p.wellFormed = false;
    return p;
}

// What a file's headers and indexes say, and every way they disagree with each other or with
// the chunks they point at.
struct Described {
    uint32_t avihFrames = 0, videoLength = 0, audioLength = 0, dmlhFrames = 0;
    uint64_t videoEntries = 0, audioBytes = 0, legacyVideoEntries = 0;
    std::vector<std::string> faults;
};

Described Describe(const std::vector<uint8_t>& b) {
    Described d;
    Parsed p = Parse(b);
    if (!p.wellFormed) d.faults.push_back("not well formed");
    auto one = [&](const char* tag) {
        auto it = p.chunks.find(tag);
        if (it == p.chunks.end()) d.faults.push_back(std::string("no ") + tag);
        return it == p.chunks.end() ? size_t(0) : it->second;
    };
    size_t avih = one("avih"), dmlh = one("dmlh");
    auto headers = p.chunks.equal_range("strh");
    if (!avih || !dmlh || std::distance(headers.first, headers.second) != 2) return d;
    d.avihFrames = U32(b, avih + 16);
    d.videoLength = U32(b, headers.first->second + 32);
    d.audioLength = U32(b, std::next(headers.first)->second + 32);
    d.dmlhFrames = U32(b, dmlh);
    // Standard indexes: each entry names a chunk of its stream with the size it says.
    for (const char* tag : {"ix00", "ix01"}) {
        auto range = p.chunks.equal_range(tag);
        for (auto it = range.first; it != range.second; ++it) {
            size_t at = it->second;
            uint64_t base = U64(b, at + 12);
            for (uint32_t i = 0; i < U32(b, at + 4); ++i) {
                uint64_t data = base + U32(b, at + 24 + 8 * i);
                uint32_t size = U32(b, at + 28 + 8 * i) & 0x7FFFFFFF;
                if (data < 8 || data + size > b.size() || Tag(b, data - 8) != (tag[3] == '0' ? "00dc" : "01wb") ||
                    U32(b, data - 4) != size)
                    d.faults.push_back(std::string(tag) + " entry " + std::to_string(i));
                if (tag[3] == '0') ++d.videoEntries;
                else d.audioBytes += size;
            }
        }
    }
    // AVI 1.0 index: entries in file order, inside the first 'movi', naming their chunks.
    auto idx1 = p.chunks.find("idx1");
    size_t movi = 0;
    for (size_t at = 0; at + 4 <= b.size() && !movi; ++at)
        if (Tag(b, at) == "movi") movi = at;
    if (idx1 != p.chunks.end() && movi) {
        size_t moviEnd = movi + U32(b, movi - 4);
        uint64_t previous = 0;
        for (uint32_t i = 0; i < U32(b, idx1->second - 4) / 16; ++i) {
            size_t e = idx1->second + 16 * i;
            uint64_t chunk = movi + U32(b, e + 8);
            if (chunk + 8 > moviEnd || chunk + 8 + U32(b, e + 12) > moviEnd || Tag(b, chunk) != Tag(b, e) ||
                U32(b, chunk + 4) != U32(b, e + 12) || (i && chunk <= previous))
                d.faults.push_back("idx1 entry " + std::to_string(i));
            previous = chunk;
            d.legacyVideoEntries += Tag(b, e) == "00dc";
        }
    }
    return d;
}

// The headers' counts agree with the indexes (a file of one RIFF).
void ExpectCountsAgree(const Described& d, uint64_t frames, const std::string& what) {
    EXPECT_EQ(d.faults, std::vector<std::string>{}) << what;
    EXPECT_EQ(d.videoEntries, frames) << what;
    EXPECT_EQ(d.legacyVideoEntries, frames) << what;
    EXPECT_EQ(d.avihFrames, frames) << what;
    EXPECT_EQ(d.videoLength, frames) << what;
    EXPECT_EQ(d.dmlhFrames, frames) << what;
    EXPECT_EQ(d.audioLength, d.audioBytes / 2) << what;
}

const AviVideoFormat kVideo{64, 48, 400000};  // 25 frames a second
const AviAudioFormat kAudio{1, 8000, 16};     // 8000 blocks of 2 bytes a second

std::vector<uint8_t> Frame(size_t size, uint8_t fill) { return std::vector<uint8_t>(size, fill); }

// A recording: `frames` frames of `frameBytes` with 1/25 s of sound after each.
void Record(AviMuxer& muxer, int frames, size_t frameBytes) {
    std::vector<uint8_t> sound(320 * 2, 0x11);
    for (int i = 0; i < frames; ++i) {
        auto frame = Frame(frameBytes + (i & 1), static_cast<uint8_t>(i));
        if (!muxer.AddVideoFrame(frame.data(), frame.size())) return;
        if (!muxer.AddAudio(sound.data(), sound.size())) return;
    }
}

// A camera that runs late now and then: frame, sound, and every fourth frame a repeat before
// the next one, with its own sound.
void RecordWithLateFrames(AviMuxer& muxer, int frames, size_t frameBytes) {
    std::vector<uint8_t> sound(320 * 2, 0x22);
    for (int i = 0; i < frames; ++i) {
        auto frame = Frame(frameBytes + (i & 1), static_cast<uint8_t>(i));
        if (!muxer.AddVideoFrame(frame.data(), frame.size()) || !muxer.AddAudio(sound.data(), sound.size()))
            return;
        if (i % 4 == 3 && (!muxer.RepeatVideoFrame() || !muxer.AddAudio(sound.data(), sound.size()))) return;
    }
}

std::string WriteFile(const std::vector<uint8_t>& bytes, const char* name) {
    std::string path = std::string(::testing::TempDir()) + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

// ffprobe's answer for one entry of a stream ("nb_read_packets", "duration", ...).
std::string Probe(const std::string& path, int stream, const char* entry) {
    std::string command = "ffprobe -v quiet -count_packets -select_streams " + std::to_string(stream) +
                          " -show_entries stream=" + entry + " -of default=nw=1:nk=1 '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "no ffprobe";
    char line[256] = "";
    std::string out = std::fgets(line, sizeof(line), pipe) ? line : "";
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// The lines a shell command prints.
std::vector<std::string> Lines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return lines;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe)) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        lines.push_back(text);
    }
    pclose(pipe);
    return lines;
}

TEST(AviMuxer, HeadersAndAllThreeIndexesDescribeWhatWasWritten) {
    MemorySink sink;
    AviMuxer muxer(sink, kVideo, kAudio);
    ASSERT_TRUE(muxer.Begin());
    Record(muxer, 3, 1000);
    ASSERT_TRUE(muxer.RepeatVideoFrame());  // a late frame: the third shown twice
    ASSERT_TRUE(muxer.Finish());
    const auto& b = sink.bytes;
    Parsed p = Parse(b);
    ASSERT_TRUE(p.wellFormed);
    ExpectCountsAgree(Describe(b), 4, "one repeat");
    EXPECT_EQ(p.riffs, std::vector<std::string>{"AVI "});

    size_t avih = p.chunks.find("avih")->second;
    EXPECT_EQ(U32(b, avih), 40000u);   // microseconds per frame
    EXPECT_EQ(U32(b, avih + 16), 4u);  // frames
    EXPECT_EQ(U32(b, avih + 24), 2u);  // streams
    EXPECT_EQ(U32(b, avih + 32), 64u);
    EXPECT_EQ(U32(b, avih + 36), 48u);
    auto headers = p.chunks.equal_range("strh");
    ASSERT_EQ(std::distance(headers.first, headers.second), 2);
    size_t video = headers.first->second, audio = std::next(headers.first)->second;
    EXPECT_EQ(Tag(b, video), "vids");
    EXPECT_EQ(Tag(b, video + 4), "MJPG");
    EXPECT_EQ(U32(b, video + 24) * 1.0 / U32(b, video + 20), 25.0);  // rate / scale
    EXPECT_EQ(U32(b, video + 32), 4u);
    EXPECT_EQ(Tag(b, audio), "auds");
    EXPECT_EQ(U32(b, audio + 32), 3u * 320);  // blocks
    EXPECT_EQ(U32(b, p.chunks.find("dmlh")->second), 4u);

    // AVI 1.0 index: each entry names a chunk of its size, offsets from the 'movi' tag.
    size_t movi = 0;
    for (size_t at = 0; at + 4 <= b.size(); ++at)
        if (Tag(b, at) == "movi") { movi = at; break; }
    auto idx1 = p.chunks.find("idx1")->second;
    uint32_t entries = U32(b, idx1 - 4) / 16;
    EXPECT_EQ(entries, 7u);  // 4 frames (one repeated) and 3 sound chunks
    for (uint32_t i = 0; i < entries; ++i) {
        size_t e = idx1 + 16 * i;
        size_t chunk = movi + U32(b, e + 8);
        EXPECT_EQ(Tag(b, chunk), Tag(b, e)) << i;
        EXPECT_EQ(U32(b, chunk + 4), U32(b, e + 12)) << i;
    }

    // OpenDML: the super index points at a standard index whose entries point at the frames.
    size_t super = p.chunks.find("indx")->second;
    ASSERT_EQ(U32(b, super + 4), 1u);
    uint64_t standard = U64(b, super + 24);
    EXPECT_EQ(Tag(b, standard), "ix00");
    EXPECT_EQ(U32(b, super + 36), 4u);  // duration in frames
    uint64_t base = U64(b, standard + 20);
    ASSERT_EQ(U32(b, standard + 12), 4u);
    for (int i = 0; i < 4; ++i) {
        uint64_t data = base + U32(b, standard + 32 + 8 * i);
        uint32_t size = U32(b, standard + 36 + 8 * i);
        EXPECT_EQ(Tag(b, data - 8), "00dc");
        if (i < 3) {
            EXPECT_EQ(b[data], i);
        }
        // The repeat is an empty chunk after the sound before it, marked as no key frame.
        EXPECT_EQ(size, i == 3 ? 0x80000000u : 1000u + (i & 1));
    }
}

TEST(AviMuxer, ReadersPlayARecordingWithRepeatsAtItsSpeed) {
    MemorySink sink;
    AviMuxer muxer(sink, kVideo, kAudio);
    ASSERT_TRUE(muxer.Begin());
    RecordWithLateFrames(muxer, 20, 500);  // 25 slots: frames 4, 8, ... shown twice
    ASSERT_TRUE(muxer.Finish());
    std::string path = WriteFile(sink.bytes, "repeats.avi");
    // Each picture at its slot's time, however the reader goes through the file.
    std::vector<std::string> expected;
    for (int slot = 0; slot < 25; ++slot)
        if (slot % 5 != 4) expected.push_back(std::to_string(slot * 40));
    std::vector<std::string> ffprobe;
    for (const std::string& t : Lines("ffprobe -v error -select_streams 0 -show_entries packet=pts_time "
                                      "-of csv=p=0 '" + path + "' 2>/dev/null"))
        ffprobe.push_back(std::to_string(static_cast<int>(std::stod(t) * 1000 + 0.5)));
    EXPECT_EQ(ffprobe, expected);
    EXPECT_EQ(std::stod(Probe(path, 0, "duration")), 1.0);
    std::vector<std::string> gstreamer;
    for (const std::string& line : Lines("gst-launch-1.0 -v filesrc location='" + path +
                                         "' ! avidemux name=d d.video_0 ! fakesink silent=false 2>&1")) {
        size_t at = line.find("pts: ");
        if (at == std::string::npos || line.find("bytes") == std::string::npos) continue;
        int h, m;
        double sec;
        if (std::sscanf(line.c_str() + at + 5, "%d:%d:%lf", &h, &m, &sec) == 3)
            gstreamer.push_back(std::to_string(static_cast<int>(sec * 1000 + 0.5)));
    }
    EXPECT_EQ(gstreamer, expected);
}

TEST(AviMuxer, TheRiffSplitGivesAvixSegmentsThatFfprobeReadsCompletely) {
    MemorySink sink;
    AviLimits small;
    small.riffSize = 20000;
    AviMuxer muxer(sink, kVideo, kAudio, small);
    ASSERT_TRUE(muxer.Begin());
    Record(muxer, 75, 1500);  // 3 s
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(muxer.RepeatVideoFrame());  // a long gap: 16 s
    ASSERT_TRUE(muxer.Finish());
    Parsed p = Parse(sink.bytes);
    ASSERT_TRUE(p.wellFormed);
    ASSERT_GE(p.riffs.size(), 5u);
    for (size_t at = 0; at < sink.bytes.size(); at += 8 + U32(sink.bytes, at + 4))
        EXPECT_LE(U32(sink.bytes, at + 4) + 8u, small.riffSize);  // repeats keep to the limit too
    EXPECT_EQ(p.riffs[0], "AVI ");
    for (size_t i = 1; i < p.riffs.size(); ++i) EXPECT_EQ(p.riffs[i], "AVIX");
    EXPECT_EQ(muxer.Segments(), p.riffs.size());
    std::string path = WriteFile(sink.bytes, "split.avi");
    EXPECT_EQ(Probe(path, 0, "nb_read_packets"), "75");
    EXPECT_EQ(Probe(path, 0, "codec_name"), "mjpeg");
    EXPECT_EQ(std::stod(Probe(path, 0, "duration")), 19.0);
    EXPECT_EQ(Probe(path, 1, "nb_read_packets"), "75");
    EXPECT_EQ(Probe(path, 1, "codec_name"), "pcm_s16le");
    EXPECT_EQ(Probe(path, 1, "sample_rate"), "8000");
}

TEST(AviMuxer, TheVideoIsMadeAsLongAsTheSound) {
    // At the end the video is made as long as the sound, within one frame.
    MemorySink sink;
    AviMuxer muxer(sink, kVideo, kAudio);
    ASSERT_TRUE(muxer.Begin());
    auto frame = Frame(100, 1);
    std::vector<uint8_t> second(16000 * 2, 0);  // 2 s of sound
    ASSERT_TRUE(muxer.AddVideoFrame(frame.data(), frame.size()));
    ASSERT_TRUE(muxer.AddAudio(second.data(), second.size()));
    ASSERT_TRUE(muxer.Finish());
    EXPECT_EQ(muxer.VideoFrames(), 50u);
    EXPECT_FALSE(muxer.AddVideoFrame(frame.data(), frame.size()));  // nothing after the end
}

TEST(AviMuxer, AFullDiskEndsTheRecordingAndKeepsAPlayableFile) {
    for (uint64_t capacity = 30000; capacity < 46000; capacity += 97) {
        MemorySink sink(capacity);
        AviMuxer muxer(sink, kVideo, kAudio);
        ASSERT_TRUE(muxer.Begin());
        RecordWithLateFrames(muxer, 100, 1000);
        EXPECT_TRUE(muxer.Failed());
        ASSERT_TRUE(muxer.Finish()) << capacity;
        EXPECT_LE(sink.bytes.size(), capacity);
        ExpectCountsAgree(Describe(sink.bytes), muxer.VideoFrames(), std::to_string(capacity));
        EXPECT_GT(muxer.VideoFrames(), 5u);
        if (capacity % 10 == 0) {  // and a reader agrees
            std::string path = WriteFile(sink.bytes, "full.avi");
            EXPECT_NEAR(std::stod(Probe(path, 0, "duration")), muxer.VideoFrames() * 0.04, 1e-6) << capacity;
        }
    }
    // A disk that cannot even take the headers: nothing to keep, and that is said.
    MemorySink tiny(100);
    AviMuxer muxer(tiny, kVideo, kAudio);
    EXPECT_FALSE(muxer.Begin());
    EXPECT_FALSE(muxer.Finish());
}

}  // namespace
