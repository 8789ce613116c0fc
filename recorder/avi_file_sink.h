// The AVI layout's bytes into a file, in large sequential writes. A failed write leaves what
// reached the disk counted in Durable().
#pragma once
#include <windows.h>

#include <vector>

#include "recorder/avi_muxer.h"

class AviFileSink : public AviByteSink {
public:
    explicit AviFileSink(HANDLE file, size_t bufferSize = 1 << 20);

    bool Write(const void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size) override;
    bool Truncate(uint64_t size) override;
    uint64_t Position() const override { return m_position; }
    uint64_t Durable() const override { return m_durable; }
    // Writes out what is held; false when the disk took less.
    bool Flush();

private:
    bool WriteAll(const uint8_t* data, size_t size, uint64_t* advanced);
    bool Seek(uint64_t offset);

    HANDLE m_file;  // not owned
    size_t m_bufferSize;
    std::vector<uint8_t> m_buffer;
    uint64_t m_position = 0;  // where the next Write goes
    uint64_t m_durable = 0;   // bytes on the disk from the start
};
