// ImageReader: reads a VM binary image back into its header, tables and default data,
// checking every offset and length against the image.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostError.h"

namespace kv::host {

// Strings are shown without the NUL byte that every record string carries.
struct VariableRecord {
    std::string appKey;
    int dataType = 0;
    int eventType = 0;
    std::string defaultValue;
    std::vector<std::string> belongTaskId;
};

struct TaskRecord {
    std::string taskId;
    int stepCount = 0;
    std::vector<int> timerId;
};

struct ParameterRecord {
    std::string key;
    std::vector<std::string> attachKeys;
    // Entries in the order the image holds them.
    std::vector<std::pair<std::string, std::vector<std::string>>> attachData;
};

// One indexed table: count, record offsets (from the first record byte), end offset, records.
template <typename Record>
struct DecodedTable {
    std::vector<std::uint16_t> recordOffsets;
    std::uint16_t endOffset = 0;
    std::vector<Record> records;
};

struct DecodedImage {
    std::size_t size = 0;
    // Section offsets counted from the first byte after the header: variables, tasks,
    // parameters, default data, extension.
    std::array<std::uint32_t, 5> header{};
    DecodedTable<VariableRecord> variables;
    DecodedTable<TaskRecord> tasks;
    DecodedTable<ParameterRecord> parameters;
    // False when the default-value section is empty (0 bytes).
    bool hasDefaultData = false;
    std::vector<std::pair<std::string, std::string>> defaultData;
    std::size_t extensionSize = 0;
};

constexpr std::size_t kImageHeaderSize = 20;

// Decodes image; a malformed image gives an error (exit status 1) naming the section, the
// record and what is wrong. imageName names the image in the error.
HostResult<DecodedImage> DecodeImage(const std::string& image, const std::string& imageName);

// Decodes bytes that must hold exactly one record of its kind; nothing on success, else what
// is wrong with them.
std::optional<std::string> DecodeRecordBytes(std::string_view bytes, VariableRecord& record);
std::optional<std::string> DecodeRecordBytes(std::string_view bytes, TaskRecord& record);
std::optional<std::string> DecodeRecordBytes(std::string_view bytes, ParameterRecord& record);
// Decodes a default-value section (one map of strings) into image.defaultData.
std::optional<std::string> DecodeDefaultDataBytes(std::string_view bytes, DecodedImage& image);

}  // namespace kv::host
