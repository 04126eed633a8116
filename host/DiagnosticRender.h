// DiagnosticRender: renders diagnostics the way compilers print them.
#pragma once

#include <string>
#include <string_view>

#include "host/LogCall.h"
#include "host/SourceText.h"

namespace kv::host {

// For an error with a position in source:
//   recipe.rcp:3:12: error[1003]: text
//   <the source line>
//   <padding>^
// For one without (line below 1, ReportError, or no source): "<bundle>: error[2002]: text".
// ReportErrorAtWithData adds its extra text and data entries, one indented line each.
// Texts and source lines are shown with their control characters escaped. Every line ends
// with a line feed.
std::string RenderDiagnostic(const LogCall& call, const SourceText* source,
                             const std::string& bundleName);

// A diagnostic of the host's own at line and column of source, in the same form:
// "recipe.rcp:3:12: <severity>: text", the source line and the caret.
std::string RenderSourceDiagnostic(std::string_view severity, const SourceText& source, int line,
                                   int column, const std::string& text);

}  // namespace kv::host
