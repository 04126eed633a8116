// ImageReader: the header, the three indexed tables and the default data, each checked
// before a byte of it is read; records decoded with msgpack-c's unpacker.
#include "host/ImageReader.h"

#include <cstddef>
#include <limits>
#include <msgpack.hpp>
#include <optional>
#include <string_view>

#include "host/HostMessages.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace {

// Why decoding stopped; the section and record are added on the way out.
struct Failure {
    std::string what;
};

std::uint32_t ReadBig32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::uint16_t ReadBig16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                      static_cast<unsigned char>(bytes[at + 1]));
}

// Reads the MessagePack values of one record in sequence.
class ValueReader {
public:
    explicit ValueReader(std::string_view bytes) : bytes_(bytes) {}

    // The next value, or the failure. Sizes are bounded by the bytes left, so a forged
    // length can neither allocate more than the record nor nest deeper than records do.
    std::optional<Failure> Next(msgpack::object_handle& handle) {
        const std::size_t left = bytes_.size() - offset_;
        if (left == 0) return Failure{kv::diag::Text(msg::ValueTruncated)};
        const msgpack::unpack_limit limit(left, left / 2, left, left, left, 4);
        try {
            handle =
                msgpack::unpack(bytes_.data(), bytes_.size(), offset_, nullptr, nullptr, limit);
        } catch (const msgpack::insufficient_bytes&) {
            return Failure{kv::diag::Text(msg::ValueTruncated)};
        } catch (const msgpack::depth_size_overflow&) {
            return Failure{kv::diag::Text(msg::ValuesNestTooDeep)};
        } catch (const msgpack::size_overflow&) {
            // A declared length longer than the bytes left: the value cannot be complete.
            return Failure{kv::diag::Text(msg::ValueTruncated)};
        } catch (const std::exception& error) {
            return Failure{kv::diag::Text(msg::ValueUndecodable, error.what())};
        }
        return std::nullopt;
    }

    bool AtEnd() const { return offset_ == bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t offset_ = 0;
};

std::optional<Failure> AsString(const msgpack::object& object, std::string& out) {
    if (object.type != msgpack::type::STR) return Failure{kv::diag::Text(msg::ExpectString)};
    const std::uint32_t size = object.via.str.size;
    if (size == 0 || object.via.str.ptr[size - 1] != '\0') {
        return Failure{kv::diag::Text(msg::StringWithoutNul)};
    }
    out.assign(object.via.str.ptr, size - 1);
    return std::nullopt;
}

std::optional<Failure> AsInt(const msgpack::object& object, int& out) {
    if (object.type == msgpack::type::POSITIVE_INTEGER &&
        object.via.u64 <= static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        out = static_cast<int>(object.via.u64);
        return std::nullopt;
    }
    if (object.type == msgpack::type::NEGATIVE_INTEGER &&
        object.via.i64 >= std::numeric_limits<int>::min()) {
        out = static_cast<int>(object.via.i64);
        return std::nullopt;
    }
    return Failure{kv::diag::Text(msg::ExpectInteger)};
}

std::optional<Failure> AsStringList(const msgpack::object& object, std::vector<std::string>& out) {
    if (object.type != msgpack::type::ARRAY) return Failure{kv::diag::Text(msg::ExpectArray)};
    for (std::uint32_t i = 0; i < object.via.array.size; ++i) {
        std::string text;
        if (auto failure = AsString(object.via.array.ptr[i], text)) return failure;
        out.push_back(std::move(text));
    }
    return std::nullopt;
}

std::optional<Failure> AsIntList(const msgpack::object& object, std::vector<int>& out) {
    if (object.type != msgpack::type::ARRAY) return Failure{kv::diag::Text(msg::ExpectArray)};
    for (std::uint32_t i = 0; i < object.via.array.size; ++i) {
        int value = 0;
        if (auto failure = AsInt(object.via.array.ptr[i], value)) return failure;
        out.push_back(value);
    }
    return std::nullopt;
}

// Each record decoder takes exactly the values its table packs, in order.
// Reads the next value into out, converted by convert.
template <typename T>
std::optional<Failure> ReadNext(ValueReader& reader, T& out,
                                std::optional<Failure> (*convert)(const msgpack::object&, T&)) {
    msgpack::object_handle value;
    if (auto f = reader.Next(value)) return f;
    return convert(value.get(), out);
}

std::optional<Failure> DecodeRecord(ValueReader& reader, VariableRecord& record) {
    if (auto f = ReadNext(reader, record.appKey, AsString)) return f;
    if (auto f = ReadNext(reader, record.dataType, AsInt)) return f;
    if (auto f = ReadNext(reader, record.eventType, AsInt)) return f;
    if (auto f = ReadNext(reader, record.defaultValue, AsString)) return f;
    return ReadNext(reader, record.belongTaskId, AsStringList);
}

std::optional<Failure> DecodeRecord(ValueReader& reader, TaskRecord& record) {
    if (auto f = ReadNext(reader, record.taskId, AsString)) return f;
    if (auto f = ReadNext(reader, record.stepCount, AsInt)) return f;
    return ReadNext(reader, record.timerId, AsIntList);
}

std::optional<Failure> DecodeRecord(ValueReader& reader, ParameterRecord& record) {
    if (auto f = ReadNext(reader, record.key, AsString)) return f;
    if (auto f = ReadNext(reader, record.attachKeys, AsStringList)) return f;
    msgpack::object_handle value;
    if (auto f = reader.Next(value)) return f;
    const msgpack::object& map = value.get();
    if (map.type != msgpack::type::MAP) return Failure{kv::diag::Text(msg::ExpectMap)};
    for (std::uint32_t i = 0; i < map.via.map.size; ++i) {
        std::pair<std::string, std::vector<std::string>> entry;
        if (auto f = AsString(map.via.map.ptr[i].key, entry.first)) return f;
        if (auto f = AsStringList(map.via.map.ptr[i].val, entry.second)) return f;
        record.attachData.push_back(std::move(entry));
    }
    return std::nullopt;
}

// Decodes one whole record; its bytes must hold exactly its values.
template <typename Record>
std::optional<Failure> DecodeWholeRecord(std::string_view bytes, Record& record) {
    ValueReader reader(bytes);
    if (auto f = DecodeRecord(reader, record)) return f;
    if (!reader.AtEnd()) return Failure{kv::diag::Text(msg::TrailingBytes)};
    return std::nullopt;
}

// What went wrong in record index.
Failure InRecord(std::size_t index, const std::string& what) {
    return Failure{kv::diag::Text(msg::InRecord, std::to_string(index), what)};
}

// Layout: count (2) | record offsets (2 each) | end offset (2) | records.
template <typename Record>
std::optional<Failure> DecodeTable(std::string_view section, DecodedTable<Record>& table) {
    if (section.size() < 2) return Failure{kv::diag::Text(msg::CountTruncated)};
    const std::size_t count = ReadBig16(section, 0);
    const std::size_t recordsStart = 2 + 2 * count + 2;
    if (section.size() < recordsStart) return Failure{kv::diag::Text(msg::OffsetTableTruncated)};
    for (std::size_t i = 0; i < count; ++i)
        table.recordOffsets.push_back(ReadBig16(section, 2 + 2 * i));
    table.endOffset = ReadBig16(section, 2 + 2 * count);
    if (section.size() - recordsStart != table.endOffset) {
        return Failure{kv::diag::Text(msg::EndOffsetMismatch)};
    }
    if (count > 0 && table.recordOffsets[0] != 0) {
        return Failure{kv::diag::Text(msg::FirstRecordOffsetNotZero)};
    }
    const std::string_view records = section.substr(recordsStart);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = table.recordOffsets[i];
        const std::size_t end = i + 1 < count ? table.recordOffsets[i + 1] : table.endOffset;
        // Every record holds at least one value, so offsets strictly increase.
        if (end <= start) {
            return InRecord(i, kv::diag::Text(msg::RecordOffsetsOutOfOrder));
        }
        Record record;
        if (auto f = DecodeWholeRecord(records.substr(start, end - start), record)) {
            return InRecord(i, f->what);
        }
        table.records.push_back(std::move(record));
    }
    return std::nullopt;
}

// The default data is one map of strings, with no count or offsets in front.
std::optional<Failure> DecodeDefaultData(std::string_view section, DecodedImage& image) {
    image.hasDefaultData = !section.empty();
    if (section.empty()) return std::nullopt;
    ValueReader reader(section);
    msgpack::object_handle value;
    if (auto f = reader.Next(value)) return f;
    const msgpack::object& map = value.get();
    if (map.type != msgpack::type::MAP) return Failure{kv::diag::Text(msg::ExpectMap)};
    for (std::uint32_t i = 0; i < map.via.map.size; ++i) {
        std::pair<std::string, std::string> entry;
        if (auto f = AsString(map.via.map.ptr[i].key, entry.first)) return f;
        if (auto f = AsString(map.via.map.ptr[i].val, entry.second)) return f;
        image.defaultData.push_back(std::move(entry));
    }
    if (!reader.AtEnd()) return Failure{kv::diag::Text(msg::TrailingBytes)};
    return std::nullopt;
}

// A failure as the callers outside this file see it.
std::optional<std::string> WhatIsWrong(const std::optional<Failure>& failure) {
    if (!failure) return std::nullopt;
    return failure->what;
}

HostError Malformed(const std::string& imageName, const kv::diag::Message<0>& what) {
    return MakeHostError(imageName, msg::MalformedImage, kv::diag::Text(what));
}

HostError MalformedIn(const std::string& imageName, const kv::diag::Message<0>& section,
                      const Failure& failure) {
    return MakeHostError(imageName, msg::MalformedSection, kv::diag::Text(section), failure.what);
}

}  // namespace

HostResult<DecodedImage> DecodeImage(const std::string& image, const std::string& imageName) {
    DecodedImage decoded;
    decoded.size = image.size();
    if (image.size() < kImageHeaderSize) {
        return Malformed(imageName, msg::HeaderTruncated);
    }
    for (std::size_t i = 0; i < decoded.header.size(); ++i) {
        decoded.header[i] = ReadBig32(image, 4 * i);
    }
    if (decoded.header[0] != 0) return Malformed(imageName, msg::FirstOffsetNotZero);
    for (std::size_t i = 1; i < decoded.header.size(); ++i) {
        if (decoded.header[i] < decoded.header[i - 1]) {
            return Malformed(imageName, msg::OffsetsOutOfOrder);
        }
    }
    const std::size_t body = image.size() - kImageHeaderSize;
    if (decoded.header[4] > body) return Malformed(imageName, msg::SectionsBeyondEnd);
    decoded.extensionSize = body - decoded.header[4];

    const std::string_view sections = std::string_view(image).substr(kImageHeaderSize);
    const auto section = [&](std::size_t index) {
        return sections.substr(decoded.header[index],
                               decoded.header[index + 1] - decoded.header[index]);
    };
    if (auto f = DecodeTable(section(0), decoded.variables)) {
        return MalformedIn(imageName, msg::VariableSection, *f);
    }
    if (auto f = DecodeTable(section(1), decoded.tasks)) {
        return MalformedIn(imageName, msg::TaskSection, *f);
    }
    if (auto f = DecodeTable(section(2), decoded.parameters)) {
        return MalformedIn(imageName, msg::ParameterSection, *f);
    }
    if (auto f = DecodeDefaultData(section(3), decoded)) {
        return MalformedIn(imageName, msg::DefaultSection, *f);
    }
    return decoded;
}

std::optional<std::string> DecodeRecordBytes(std::string_view bytes, VariableRecord& record) {
    return WhatIsWrong(DecodeWholeRecord(bytes, record));
}

std::optional<std::string> DecodeRecordBytes(std::string_view bytes, TaskRecord& record) {
    return WhatIsWrong(DecodeWholeRecord(bytes, record));
}

std::optional<std::string> DecodeRecordBytes(std::string_view bytes, ParameterRecord& record) {
    return WhatIsWrong(DecodeWholeRecord(bytes, record));
}

std::optional<std::string> DecodeDefaultDataBytes(std::string_view bytes, DecodedImage& image) {
    return WhatIsWrong(DecodeDefaultData(bytes, image));
}

}  // namespace kv::host
