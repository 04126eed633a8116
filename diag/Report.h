// Report: hands catalog sentences to the host's log sink.
#pragma once

#include "IData.h"
#include "diag/Diagnostic.h"

namespace kv::diag {

// Where a report points, which also decides the sink call that carries it.
struct Position {
    enum class Kind { None, At, AtWithData };
    Kind kind = Kind::None;
    int line = -1;
    int column = -1;
};

// No position: ReportError.
inline constexpr Position Nowhere() { return {}; }
// ReportErrorAt at line and column; -1, -1 for an error tied to the data rather than the recipe.
inline constexpr Position At(int line, int column) { return {Position::Kind::At, line, column}; }
inline constexpr Position NoLine() { return At(-1, -1); }
// ReportErrorAt at a token's line and column.
template <typename Token>
Position AtToken(Token* token) {
    return At(token->GetLine(), token->GetColumn());
}
// ReportErrorAtWithData at line and column, with no extra text and no data entries.
inline constexpr Position AtWithData(int line, int column) {
    return {Position::Kind::AtWithData, line, column};
}

// The host's sink, or null for a host that keeps no messages (reporting must not crash it).
inline ILanguageDebug* SinkOf(IData* data) {
    return data != nullptr ? data->GetLanguageDebug() : nullptr;
}

// True once the host's sink has recorded an error; false for a host without a sink.
inline bool HasError(IData* data) {
    ILanguageDebug* log = SinkOf(data);
    return log != nullptr && log->HasError();
}

// Reports message at where, its slots filled with values, at the message's code and level.
template <int Slots, typename... Values>
requires(sizeof...(Values) == Slots) void Report(IData* data, const Message<Slots>& message,
                                                 Position where, const Values&... values) {
    ILanguageDebug* log = SinkOf(data);
    if (log == nullptr) return;
    const std::string text = Text(message, values...);
    switch (where.kind) {
        case Position::Kind::None:
            log->ReportError(message.code, text, message.level);
            break;
        case Position::Kind::At:
            log->ReportErrorAt(message.code, where.line, where.column, text, message.level);
            break;
        case Position::Kind::AtWithData:
            log->ReportErrorAtWithData(message.code, where.line, where.column, text, "", {},
                                       message.level);
            break;
    }
}

// Prints message as a listing text of the kind its level names (ILanguageDebug::Print).
template <int Slots, typename... Values>
requires(sizeof...(Values) == Slots) void Print(IData* data, const Message<Slots>& message,
                                                const Values&... values) {
    if (ILanguageDebug* log = SinkOf(data)) log->Print(Text(message, values...), message.level);
}

// Prints message as a listing line at its level (ILanguageDebug::PrintLine).
template <int Slots, typename... Values>
requires(sizeof...(Values) == Slots) void PrintLine(IData* data, const Message<Slots>& message,
                                                    const Values&... values) {
    if (ILanguageDebug* log = SinkOf(data)) log->PrintLine(Text(message, values...), message.level);
}

}  // namespace kv::diag
