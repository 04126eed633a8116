// CheckerMessages: assembling and reporting the checkers' messages.
#include "checkers/CheckerMessages.h"

#include "IData.h"

namespace checker_msg {

std::string Text(Id id, const std::string& part) {
    const Entry& entry = kCatalog[static_cast<int>(id)];
    std::string text = entry.head;
    if (entry.around) text += part + entry.tail;
    return text;
}

void ReportAt(IData* data, Id id, int line, int column, const std::string& part) {
    ILanguageDebug* log = data != nullptr ? data->GetLanguageDebug() : nullptr;
    if (log != nullptr) log->ReportErrorAt(Code(id), line, column, Text(id, part), kErrorLevel);
}

void Report(IData* data, Id id, const std::string& part) {
    ILanguageDebug* log = data != nullptr ? data->GetLanguageDebug() : nullptr;
    if (log != nullptr) log->ReportError(Code(id), Text(id, part), kErrorLevel);
}

}  // namespace checker_msg
