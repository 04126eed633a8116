// LogJson: the sink's calls as JSON lines, one object per call.
#pragma once

#include <string>
#include <vector>

#include "host/LogCall.h"

namespace kv::host {

// One compact JSON object, without a line break. Keys in this order:
//   Print:                 op, kind, text
//   PrintLine:             op, level, text
//   ReportError:           op, code, level, text
//   ReportErrorAt:         op, code, line, column, level, text
//   ReportErrorAtWithData: op, code, line, column, level, text, extra, data (keys ascending)
std::string LogCallToJson(const LogCall& call);
// Appends LogCallToJson(call) and a line feed to lines.
void AppendLogCallLine(const LogCall& call, std::string& lines);

// Every call as one line, each ending with a line feed.
std::string LogCallsToJsonLines(const std::vector<LogCall>& calls);

}  // namespace kv::host
