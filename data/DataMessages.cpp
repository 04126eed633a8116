// DataMessages: assembles catalog texts and hands them to the host's log sink.
#include "data/DataMessages.h"

#include "IData.h"

namespace data_msg {

std::string Text(Id id, const std::string& part) {
    const Entry& entry = Lookup(id);
    std::string text = entry.head;
    if (!entry.wrapsPart) return text;
    text += part;
    text += entry.tail;
    return text;
}

void ReportAt(IData* data, Id id, const std::string& part) {
    // A host without a log sink keeps no messages; reporting must not crash it.
    ILanguageDebug* log = data != nullptr ? data->GetLanguageDebug() : nullptr;
    if (log == nullptr) return;
    log->ReportErrorAt(Lookup(id).code, -1, -1, Text(id, part), kErrorLevel);
}

void Report(IData* data, Id id, const std::string& part) {
    ILanguageDebug* log = data != nullptr ? data->GetLanguageDebug() : nullptr;
    if (log == nullptr) return;
    log->ReportError(Lookup(id).code, Text(id, part), kErrorLevel);
}

}  // namespace data_msg
