// DiagnosticRender: renders an error call the way compilers print diagnostics.
#pragma once

#include <string>

#include "host/LogCall.h"
#include "host/SourceText.h"

namespace kvhost {

// For an error with a position in source:
//   recipe.rcp:3:12: error[1003]: text
//   <the source line>
//   <padding>^
// For one without (line below 1, ReportError, or no source): "<bundle>: error[2002]: text".
// ReportErrorAtWithData adds its extra text and data entries, one indented line each.
// Every line ends with a line feed.
std::string RenderDiagnostic(const LogCall& call, const SourceText* source,
                             const std::string& bundleName);

}  // namespace kvhost
