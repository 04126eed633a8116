// ImageCheck: walks the image's header, tables and records with a MessagePack reader.
#include "fuzz/ImageCheck.h"

#include <exception>
#include <string_view>

#include <msgpack.hpp>

namespace kvfuzz {
namespace {

constexpr size_t kHeaderSize = 20;

uint32_t BigEndian(const uint8_t* bytes, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    return value;
}

bool IsRecordText(const msgpack::object& value) {
    return value.type == msgpack::type::STR && value.via.str.size > 0 &&
           value.via.str.ptr[value.via.str.size - 1] == '\0';
}

bool IsInteger(const msgpack::object& value) {
    return value.type == msgpack::type::POSITIVE_INTEGER ||
           value.type == msgpack::type::NEGATIVE_INTEGER;
}

template <typename Test>
bool IsArrayOf(const msgpack::object& value, Test test) {
    if (value.type != msgpack::type::ARRAY) return false;
    for (uint32_t i = 0; i < value.via.array.size; ++i) {
        if (!test(value.via.array.ptr[i])) return false;
    }
    return true;
}

template <typename KeyTest, typename ValueTest>
bool IsMapOf(const msgpack::object& value, KeyTest keyTest, ValueTest valueTest) {
    if (value.type != msgpack::type::MAP) return false;
    for (uint32_t i = 0; i < value.via.map.size; ++i) {
        if (!keyTest(value.via.map.ptr[i].key) || !valueTest(value.via.map.ptr[i].val)) {
            return false;
        }
    }
    return true;
}

bool IsTextArray(const msgpack::object& value) { return IsArrayOf(value, IsRecordText); }

// One check per MessagePack value of a record, in packing order.
using ValueTest = bool (*)(const msgpack::object&);

std::vector<ValueTest> RecordShape(RecordKind kind) {
    switch (kind) {
        case RecordKind::Variable:
            return {IsRecordText, IsInteger, IsInteger, IsRecordText, IsTextArray};
        case RecordKind::Task:
            return {IsRecordText, IsInteger,
                    [](const msgpack::object& v) { return IsArrayOf(v, IsInteger); }};
        case RecordKind::Parameter:
            return {IsRecordText, IsTextArray, [](const msgpack::object& v) {
                        return IsMapOf(v, IsRecordText, IsTextArray);
                    }};
        case RecordKind::DefaultData:
            return {[](const msgpack::object& v) { return IsMapOf(v, IsRecordText, IsRecordText); }};
    }
    return {};
}

std::string CheckTable(RecordKind kind, const uint8_t* bytes, size_t size, const char* name) {
    const std::string where = std::string(name) + " table: ";
    if (size < 4) return where + "shorter than its count and end offset";
    const uint32_t count = BigEndian(bytes, 2);
    const size_t indexSize = 2 + 2 * size_t{count} + 2;
    if (indexSize > size) return where + "record offsets run past the table";
    const size_t recordsSize = size - indexSize;
    const uint8_t* records = bytes + indexSize;
    const uint32_t endOffset = BigEndian(bytes + 2 + 2 * size_t{count}, 2);
    if (endOffset != recordsSize) {
        return where + "end offset " + std::to_string(endOffset) + " but " +
               std::to_string(recordsSize) + " record bytes";
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t begin = BigEndian(bytes + 2 + 2 * size_t{i}, 2);
        const uint32_t end = i + 1 < count ? BigEndian(bytes + 4 + 2 * size_t{i}, 2) : endOffset;
        if (begin > end || end > recordsSize) return where + "record offsets out of order";
        std::string fault = CheckRecord(kind, records + begin, end - begin);
        if (!fault.empty()) return where + "record " + std::to_string(i) + ": " + fault;
    }
    return "";
}

}  // namespace

std::string CheckRecord(RecordKind kind, const uint8_t* bytes, size_t size) {
    const std::vector<ValueTest> shape = RecordShape(kind);
    size_t offset = 0;
    try {
        for (size_t i = 0; i < shape.size(); ++i) {
            if (offset >= size) return "value " + std::to_string(i) + " missing";
            msgpack::object_handle handle =
                msgpack::unpack(reinterpret_cast<const char*>(bytes), size, offset);
            if (!shape[i](handle.get())) return "value " + std::to_string(i) + " of wrong kind";
        }
    } catch (const std::exception& e) {
        return std::string("unreadable MessagePack: ") + e.what();
    }
    if (offset != size) return std::to_string(size - offset) + " bytes left over";
    return "";
}

std::string CheckImage(const std::vector<uint8_t>& image) {
    if (image.size() < kHeaderSize) return "shorter than its header";
    uint32_t offsets[5];
    for (size_t i = 0; i < 5; ++i) offsets[i] = BigEndian(image.data() + 4 * i, 4);
    if (offsets[0] != 0) return "variable table offset is not 0";
    for (size_t i = 1; i < 5; ++i) {
        if (offsets[i] < offsets[i - 1]) return "section offsets decrease";
    }
    // The extension section is empty, so the last offset is where the image ends.
    if (kHeaderSize + size_t{offsets[4]} != image.size()) {
        return "extension offset " + std::to_string(offsets[4]) + " but image of " +
               std::to_string(image.size()) + " bytes";
    }
    const uint8_t* body = image.data() + kHeaderSize;
    const struct {
        RecordKind kind;
        const char* name;
    } tables[] = {{RecordKind::Variable, "variable"},
                  {RecordKind::Task, "task"},
                  {RecordKind::Parameter, "parameter"}};
    for (size_t i = 0; i < 3; ++i) {
        std::string fault = CheckTable(tables[i].kind, body + offsets[i], offsets[i + 1] - offsets[i],
                                       tables[i].name);
        if (!fault.empty()) return fault;
    }
    // An empty default-value table leaves its section empty.
    const size_t defaultSize = offsets[4] - offsets[3];
    if (defaultSize == 0) return "";
    std::string fault = CheckRecord(RecordKind::DefaultData, body + offsets[3], defaultSize);
    return fault.empty() ? "" : "default data: " + fault;
}

}  // namespace kvfuzz
