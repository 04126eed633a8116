// ImageCheck: an independent reader of the VM image that says what, if anything, is malformed.
// It knows only the layout (header of five big-endian offsets, three indexed tables of
// MessagePack records, one MessagePack map), not how the builder makes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvfuzz {

// "" for a well-formed image, else the first fault found.
std::string CheckImage(const std::vector<uint8_t>& image);

// The record kinds of the image, for CheckRecord.
enum class RecordKind { Variable, Task, Parameter, DefaultData };

// "" when bytes hold exactly one record of kind: its MessagePack values in order, each string
// ending in its NUL byte, nothing left over.
std::string CheckRecord(RecordKind kind, const uint8_t* bytes, size_t size);

}  // namespace kvfuzz
