// LogJson: writes the sink's calls with RapidJSON's Writer.
#include "host/LogJson.h"

#include <rapidjson/writer.h>

#include "host/StringAppender.h"

namespace kv::host {
namespace {

template <typename Writer>
void WriteString(Writer& writer, const std::string& text) {
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

template <typename Writer>
void WriteInt(Writer& writer, const char* key, int value) {
    writer.Key(key);
    writer.Int(value);
}

template <typename Writer>
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
    std::string json;
    StringAppender appender{json};
    rapidjson::Writer<StringAppender> writer(appender);
    WriteCall(writer, call);
    return json;
}

void AppendLogCallLine(const LogCall& call, std::string& lines) {
    StringAppender appender{lines};
    rapidjson::Writer<StringAppender> writer(appender);
    WriteCall(writer, call);
    lines += '\n';
}

std::string LogCallsToJsonLines(const std::vector<LogCall>& calls) {
    std::string lines;
    for (const LogCall& call : calls) AppendLogCallLine(call, lines);
    return lines;
}

}  // namespace kv::host
