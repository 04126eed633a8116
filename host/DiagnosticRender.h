// DiagnosticRender: a diagnostic record in the form compilers print, with or without colour.
#pragma once

#include <string>

#include "host/DiagnosticRecord.h"
#include "host/SourceText.h"

namespace kv::host {

// "file:line:column", with the parts the location lacks left out ("file:line", "file").
std::string Locus(const SourceLocation& where);

// The record in the gcc form, every line ending with a line feed:
//   recipe.rcp:3:12: error[1003]: message
//   <the source line>
//   <padding>^~~~~        (the range when where.endColumn is set)
//       <each detail>
//   recipe.rcp:3:12: note: text
// The source line and caret are shown when the record (or a note) points at a line of source;
// a note without a file of its own takes the record's place and shows no line again. A record
// without a code (kvc's own) shows its severity alone: "warning: ". Texts and source lines are
// shown with their control characters escaped. With colour, the place is bold and the severity,
// the caret and range take gcc's colours.
std::string RenderText(const DiagnosticRecord& record, const SourceText* source, bool colour);

}  // namespace kv::host
