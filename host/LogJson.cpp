// LogJson: writes the sink's calls with RapidJSON's Writer.
#include "host/LogJson.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace kv::host {
namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void WriteString(Writer& writer, const std::string& text) {
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void WriteInt(Writer& writer, const char* key, int value) {
    writer.Key(key);
    writer.Int(value);
}

void WriteCall(Writer& writer, const LogCall& call) {
    writer.StartObject();
    writer.Key("op");
    writer.String(LogOpName(call.op));
    switch (call.op) {
        case LogOp::Print:
            WriteInt(writer, "kind", call.kind);
            break;
        case LogOp::PrintLine:
            WriteInt(writer, "level", call.level);
            break;
        case LogOp::ReportError:
            WriteInt(writer, "code", call.code);
            WriteInt(writer, "level", call.level);
            break;
        case LogOp::ReportErrorAt:
        case LogOp::ReportErrorAtWithData:
            WriteInt(writer, "code", call.code);
            WriteInt(writer, "line", call.line);
            WriteInt(writer, "column", call.column);
            WriteInt(writer, "level", call.level);
            break;
    }
    writer.Key("text");
    WriteString(writer, call.text);
    if (call.op == LogOp::ReportErrorAtWithData) {
        writer.Key("extra");
        WriteString(writer, call.extra);
        writer.Key("data");
        writer.StartObject();
        for (const auto& [key, value] : call.data) {
            writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
            WriteString(writer, value);
        }
        writer.EndObject();
    }
    writer.EndObject();
}

}  // namespace

std::string LogCallToJson(const LogCall& call) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    WriteCall(writer, call);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string LogCallsToJsonLines(const std::vector<LogCall>& calls) {
    std::string lines;
    for (const LogCall& call : calls) {
        lines += LogCallToJson(call);
        lines += '\n';
    }
    return lines;
}

}  // namespace kv::host
