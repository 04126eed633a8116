// ImageReport: the text and JSON views of a decoded image.
#include "tools/kvc/ImageReport.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace kv::kvc {
namespace {

using kv::host::DecodedTable;
using kv::host::ParameterRecord;
using kv::host::TaskRecord;
using kv::host::VariableRecord;

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

constexpr const char* kSectionNames[] = {"variables", "tasks", "parameters", "defaults",
                                         "extension"};

// "1 byte", "7 bytes".
std::string Bytes(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

void WriteString(Writer& writer, const std::string& text) {
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

// A string as a quoted, escaped JSON string.
std::string Quote(const std::string& text) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    WriteString(writer, text);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string QuoteList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Quote(items[i]);
    return out + "]";
}

template <typename Number>
std::string NumberList(const std::vector<Number>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i ? ", " : "") + std::to_string(items[i]);
    }
    return out + "]";
}

std::string RecordText(const VariableRecord& r) {
    return "appKey " + Quote(r.appKey) + ", dataType " + std::to_string(r.dataType) +
           ", eventType " + std::to_string(r.eventType) + ", defaultValue " +
           Quote(r.defaultValue) + ", belongTaskId " + QuoteList(r.belongTaskId);
}

std::string RecordText(const TaskRecord& r) {
    return "taskId " + Quote(r.taskId) + ", stepCount " + std::to_string(r.stepCount) +
           ", timerId " + NumberList(r.timerId);
}

std::string RecordText(const ParameterRecord& r) {
    std::string data = "{";
    for (std::size_t i = 0; i < r.attachData.size(); ++i) {
        data += (i ? ", " : "") + Quote(r.attachData[i].first) + ": " +
                QuoteList(r.attachData[i].second);
    }
    return "key " + Quote(r.key) + ", attachKeys " + QuoteList(r.attachKeys) + ", attachData " +
           data + "}";
}

template <typename Record>
void TableText(std::string& out, const char* name, const DecodedTable<Record>& table) {
    const std::size_t count = table.records.size();
    out += std::string(name) + ": " + std::to_string(count) +
           (count == 1 ? " record" : " records") + ", record offsets " +
           NumberList(table.recordOffsets) + ", end offset " + std::to_string(table.endOffset) +
           "\n";
    for (std::size_t i = 0; i < count; ++i) {
        out += "  [" + std::to_string(i) + "] " + RecordText(table.records[i]) + "\n";
    }
}

void WriteStringArray(Writer& writer, const std::vector<std::string>& items) {
    writer.StartArray();
    for (const std::string& item : items) WriteString(writer, item);
    writer.EndArray();
}

void WriteRecord(Writer& writer, const VariableRecord& r) {
    writer.StartObject();
    writer.Key("appKey");
    WriteString(writer, r.appKey);
    writer.Key("dataType");
    writer.Int(r.dataType);
    writer.Key("eventType");
    writer.Int(r.eventType);
    writer.Key("defaultValue");
    WriteString(writer, r.defaultValue);
    writer.Key("belongTaskId");
    WriteStringArray(writer, r.belongTaskId);
    writer.EndObject();
}

void WriteRecord(Writer& writer, const TaskRecord& r) {
    writer.StartObject();
    writer.Key("taskId");
    WriteString(writer, r.taskId);
    writer.Key("stepCount");
    writer.Int(r.stepCount);
    writer.Key("timerId");
    writer.StartArray();
    for (const int timer : r.timerId) writer.Int(timer);
    writer.EndArray();
    writer.EndObject();
}

void WriteRecord(Writer& writer, const ParameterRecord& r) {
    writer.StartObject();
    writer.Key("key");
    WriteString(writer, r.key);
    writer.Key("attachKeys");
    WriteStringArray(writer, r.attachKeys);
    writer.Key("attachData");
    writer.StartObject();
    for (const auto& [name, values] : r.attachData) {
        writer.Key(name.data(), static_cast<rapidjson::SizeType>(name.size()));
        WriteStringArray(writer, values);
    }
    writer.EndObject();
    writer.EndObject();
}

template <typename Record>
void WriteTable(Writer& writer, const char* name, const DecodedTable<Record>& table) {
    writer.Key(name);
    writer.StartObject();
    writer.Key("count");
    writer.Uint(static_cast<unsigned>(table.records.size()));
    writer.Key("recordOffsets");
    writer.StartArray();
    for (const std::uint16_t offset : table.recordOffsets) writer.Uint(offset);
    writer.EndArray();
    writer.Key("endOffset");
    writer.Uint(table.endOffset);
    writer.Key("records");
    writer.StartArray();
    for (const Record& record : table.records) WriteRecord(writer, record);
    writer.EndArray();
    writer.EndObject();
}

}  // namespace

std::string ImageToText(const DecodedImage& image) {
    std::string out = "image: " + Bytes(image.size) + "\nheader offsets:\n";
    for (std::size_t i = 0; i < image.header.size(); ++i) {
        std::string name = kSectionNames[i];
        name.resize(12, ' ');
        out += "  " + name + std::to_string(image.header[i]) + "\n";
    }
    TableText(out, "variables", image.variables);
    TableText(out, "tasks", image.tasks);
    TableText(out, "parameters", image.parameters);
    out += "default data: " + Bytes(image.header[4] - image.header[3]) + "\n";
    for (const auto& [key, value] : image.defaultData) {
        out += "  " + Quote(key) + ": " + Quote(value) + "\n";
    }
    out += "extension data: " + Bytes(image.extensionSize) + "\n";
    return out;
}

std::string ImageToJson(const DecodedImage& image) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("size");
    writer.Uint64(image.size);
    writer.Key("header");
    writer.StartObject();
    for (std::size_t i = 0; i < image.header.size(); ++i) {
        writer.Key(kSectionNames[i]);
        writer.Uint(image.header[i]);
    }
    writer.EndObject();
    WriteTable(writer, "variables", image.variables);
    WriteTable(writer, "tasks", image.tasks);
    WriteTable(writer, "parameters", image.parameters);
    writer.Key("defaultData");
    if (image.hasDefaultData) {
        writer.StartObject();
        for (const auto& [key, value] : image.defaultData) {
            writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
            WriteString(writer, value);
        }
        writer.EndObject();
    } else {
        writer.Null();
    }
    writer.Key("extensionSize");
    writer.Uint64(image.extensionSize);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

}  // namespace kv::kvc
