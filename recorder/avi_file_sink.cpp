// Buffered file writes.
#include "avi_file_sink.h"

#include <cstring>

AviFileSink::AviFileSink(HANDLE file, size_t bufferSize) : m_file(file), m_bufferSize(bufferSize) {
    m_buffer.reserve(m_bufferSize);
}

bool AviFileSink::WriteAll(const uint8_t* data, size_t size, uint64_t* advanced) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        BOOL ok = WriteFile(m_file, data, chunk, &written, nullptr);
        *advanced += written;
        data += written;
        size -= written;
        if (!ok || written < chunk) return false;
    }
    return true;
}

bool AviFileSink::Seek(uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN) != FALSE;
}

bool AviFileSink::Flush() {
    if (m_buffer.empty()) return true;
    bool complete = WriteAll(m_buffer.data(), m_buffer.size(), &m_durable);
    m_buffer.clear();
    return complete;
}

bool AviFileSink::Write(const void* data, size_t size) {
    m_position += size;
    if (m_buffer.size() + size > m_bufferSize && !Flush()) return false;
    if (size >= m_bufferSize) return WriteAll(static_cast<const uint8_t*>(data), size, &m_durable);
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool AviFileSink::WriteAt(uint64_t offset, const void* data, size_t size) {
    if (!Flush() || offset + size > m_durable || !Seek(offset)) return false;
    uint64_t ignored = 0;
    bool written = WriteAll(static_cast<const uint8_t*>(data), size, &ignored);
    return Seek(m_durable) && written;
}

bool AviFileSink::Truncate(uint64_t size) {
    m_buffer.clear();
    if (size > m_durable) size = m_durable;  // never past what the disk holds
    if (!Seek(size) || !SetEndOfFile(m_file)) return false;
    m_durable = m_position = size;
    return true;
}
