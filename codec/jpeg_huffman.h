// Motion-JPEG frames from cameras often leave out their Huffman tables (DHT) and rely on the
// standard ones of the JPEG standard (Annex K), which many JPEG decoders do not assume. Portable:
// no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// True when a DHT segment comes before the start of scan; false also for bytes that are not a
// JPEG stream's markers as far as they are read.
bool HasHuffmanTables(const uint8_t* jpeg, size_t size);
// The frame with a DHT segment of the four standard tables before its start of scan; empty when
// the bytes hold no start of scan to put it before.
std::vector<uint8_t> WithStandardHuffmanTables(const uint8_t* jpeg, size_t size);
// The DHT segment of the four standard tables, marker included.
const std::vector<uint8_t>& StandardHuffmanSegment();

// One standard table as a DHT segment holds it: the counts of codes of each length 1 to 16, then
// the values in the order of their codes.
struct StandardHuffmanTable {
    uint8_t classAndId;  // 0x00 DC luminance, 0x01 DC chrominance, 0x10 and 0x11 AC
    const uint8_t* counts;
    const uint8_t* values;
    int valueCount;
};
// The four tables in the segment's order: DC luminance, DC chrominance, AC luminance, AC
// chrominance.
const StandardHuffmanTable* StandardHuffmanTables();
