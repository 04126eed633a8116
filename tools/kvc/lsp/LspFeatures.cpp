// LspFeatures: the bundle's knowledge about the word under the cursor.
#include "tools/kvc/lsp/LspFeatures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tools/kvc/lsp/LspMessages.h"
#include "tools/kvc/lsp/RecipeCursor.h"

namespace kv::lsp {
namespace msg = kv::diag::lsp;
using kv::diag::Text;

namespace {

bool IsIngredientType(const std::string& type) {
    return type == "material-id" || type == "materiel-id";
}
bool IsResourceType(const std::string& type) { return type == "res-id"; }

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) joined += separator;
        joined += part;
    }
    return joined;
}

std::string Quoted(const std::vector<std::string>& values) {
    std::vector<std::string> quoted;
    for (const std::string& value : values) quoted.push_back("`" + value + "`");
    return Join(quoted, ", ");
}

// A number as the analyzer computes a converted value: in single precision.
std::string FloatText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(static_cast<float>(value)));
    return buffer;
}

// The value of a number text (IsNumberText); strtod never throws, whatever its length.
double NumberOf(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::string RangeText(const std::vector<std::string>& scope) {
    if (scope.size() != 2) return {};
    std::string high = scope[1];
    for (char& c : high) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return high == "inf" ? Text(msg::ParameterRangeOpen, scope[0])
                         : Text(msg::ParameterRange, scope[0], scope[1]);
}

std::string ChoicesText(const std::vector<std::pair<std::string, std::string>>& select) {
    std::vector<std::string> choices;
    for (const auto& [key, value] : select) {
        choices.push_back(key == value ? "`" + key + "`" : "`" + key + "` (" + value + ")");
    }
    return Text(msg::ParameterChoices, Join(choices, ", "));
}

// What an argument or value of a type must be: its kind, range, unit and choices.
std::string DescribeValue(const BundleIndex& index, const std::string& dataType,
                          const std::vector<std::string>& scope,
                          const std::vector<std::pair<std::string, std::string>>& select) {
    if (IsIngredientType(dataType)) return std::string(msg::ParameterIngredient.format);
    if (IsResourceType(dataType)) return std::string(msg::ParameterResource.format);
    std::vector<std::string> parts;
    if (const BusinessType* type = index.FindBusinessType(dataType)) {
        parts.push_back(Text(msg::ParameterKind, type->name, type->description, type->dataType));
    } else if (dataType.empty() || dataType == "number" || dataType == "numerical") {
        parts.push_back(msg::ParameterNumber.format);
    } else {
        parts.push_back(dataType);
    }
    if (std::string range = RangeText(scope); !range.empty()) parts.push_back(std::move(range));
    const std::string unit = index.BaseUnit(dataType);
    if (!unit.empty()) parts.push_back(Text(msg::ParameterUnit, unit));
    if (!select.empty()) parts.push_back(ChoicesText(select));
    return Join(parts, ", ");
}

std::string DescribeParameter(const BundleIndex& index, const ParameterInfo& p) {
    const std::string what = p.unchecked ? std::string(msg::ParameterUnchecked.format)
                                         : DescribeValue(index, p.dataType, p.scope, p.select);
    return Text(msg::HoverParameter, p.name, what);
}

std::string FunctionHover(const BundleIndex& index, const std::string& name) {
    const FunctionInfo* f = index.FindFunction(name);
    if (f == nullptr) return Text(msg::HoverCallUndescribed, name);
    std::vector<std::string> names;
    for (const ParameterInfo& p : f->parameters) names.push_back(p.name);
    std::string text = Text(msg::HoverCall, name, Join(names, ", "));
    if (f->grouped) {
        text += "\n\n";
        text += Text(msg::HoverCallGroups, std::to_string(f->parameters.size()));
    }
    text += "\n";
    for (const ParameterInfo& p : f->parameters) text += "\n- " + DescribeParameter(index, p);
    return text;
}

std::string CookingHover(const BundleIndex& index, const std::string& name) {
    const CookingParameter* p = index.FindCookingParameter(name);
    if (p == nullptr) return Text(msg::HoverUnknownCookingParameter, name);
    if (p->values.empty()) return Text(msg::HoverCookingParameterEmpty, name);
    return Text(msg::HoverCookingParameter, name, Quoted(p->values));
}

// A number followed by a unit the bundle knows: its value in the base unit.
std::optional<std::string> ConversionHover(const BundleIndex& index, const std::string& word) {
    const std::optional<UnitMatch> match = index.FindUnit(word);
    if (!match || !IsNumberText(std::string_view(word).substr(0, match->position))) {
        return std::nullopt;
    }
    const UnitInfo& unit = *match->unit;
    if (unit.name == unit.base) return Text(msg::HoverBaseUnit, word, unit.base);
    const double value = NumberOf(word.substr(0, match->position));
    const float converted = static_cast<float>(unit.ratio) * static_cast<float>(value) +
                            static_cast<float>(unit.offset);
    return Text(msg::HoverConversion, word, FloatText(converted), unit.base, match->name,
                FloatText(static_cast<float>(unit.ratio) + static_cast<float>(unit.offset)));
}

std::string CodedHover(const CodedName& entry, bool resource) {
    if (!resource) return Text(msg::HoverIngredient, entry.name, entry.code);
    if (entry.type.empty()) return Text(msg::HoverResource, entry.name, entry.code);
    return Text(msg::HoverResourceTyped, entry.name, entry.code, entry.type);
}

const ParameterInfo* ParameterOf(const BundleIndex& index, const Cursor& cursor) {
    if (!cursor.inCall) return nullptr;
    const FunctionInfo* f = index.FindFunction(cursor.call);
    return f == nullptr ? nullptr : f->ParameterAt(cursor.argument);
}

// What a value word is, whatever it stands in: an ingredient, a resource, a quantity.
std::optional<std::string> ValueHover(const BundleIndex& index, const std::string& word,
                                      const ParameterInfo* p) {
    const bool wantsResource = p != nullptr && IsResourceType(p->dataType);
    if (!wantsResource) {
        if (const CodedName* entry = index.FindIngredient(word)) return CodedHover(*entry, false);
    }
    if (const CodedName* entry = index.FindResource(word)) return CodedHover(*entry, true);
    if (std::optional<std::string> conversion = ConversionHover(index, word)) return conversion;
    if (p != nullptr) return DescribeParameter(index, *p);
    return std::nullopt;
}

std::string VariableHover(const BundleIndex& index, const VariableInfo& v) {
    return Text(msg::HoverVariable, v.name, DescribeValue(index, v.dataType, v.scope, v.select));
}

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '$' || c == '}' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string CallSnippet(const std::string& name, const FunctionInfo* f) {
    std::string snippet = Escaped(name) + "(";
    if (f != nullptr) {
        for (std::size_t i = 0; i < f->parameters.size(); ++i) {
            if (i > 0) snippet += ", ";
            snippet += "${" + std::to_string(i + 1) + ":" + Escaped(f->parameters[i].name) + "}";
        }
    }
    return snippet + ")$0";
}

void AddFunctions(const BundleIndex& index, const Cursor& cursor, bool snippets, bool withCall,
                  std::vector<CompletionEntry>& entries) {
    for (const std::string& name : index.CallableNames()) {
        const FunctionInfo* f = index.FindFunction(name);
        CompletionEntry entry{name,
                              CompletionKind::Function,
                              Text(msg::DetailFunction, name),
                              name,
                              false,
                              {},
                              cursor.start,
                              cursor.end};
        if (f != nullptr) {
            std::vector<std::string> names;
            for (const ParameterInfo& p : f->parameters) names.push_back(p.name);
            entry.detail = Text(msg::HoverCall, name, Join(names, ", "));
        }
        if (withCall && snippets) {
            entry.insertText = CallSnippet(name, f);
            entry.snippet = true;
        }
        entries.push_back(std::move(entry));
    }
}

// The units whose base is unitType, replacing what follows the number of the word.
void AddUnits(const BundleIndex& index, const Cursor& cursor, const std::string& unitType,
              std::vector<CompletionEntry>& entries) {
    // The number: a sign, digits, a point and digits; the unit is typed after it.
    const std::string& word = cursor.word;
    std::size_t number = word[0] == '-' || word[0] == '+' ? 1 : 0;
    const auto digits = [&] {
        while (number < word.size() && word[number] >= '0' && word[number] <= '9') ++number;
    };
    digits();
    if (number < word.size() && word[number] == '.') {
        ++number;
        digits();
    }
    if (unitType.empty() || unitType == "number") return;
    for (const UnitInfo& unit : index.Units()) {
        if (unit.base != unitType) continue;
        const std::string detail =
            Text(msg::DetailUnit, unit.name, FloatText(unit.ratio + unit.offset), unit.base);
        for (const std::string* name : {&unit.name, &unit.secondName}) {
            if (name->empty()) continue;
            entries.push_back({*name,
                               CompletionKind::Unit,
                               detail,
                               *name,
                               false,
                               {},
                               cursor.start + number,
                               cursor.end});
        }
    }
}

void AddChoices(const std::vector<std::pair<std::string, std::string>>& select,
                const Cursor& cursor, std::vector<CompletionEntry>& entries) {
    for (const auto& [key, value] : select) {
        entries.push_back({key,
                           CompletionKind::EnumMember,
                           Text(msg::DetailChoice, value),
                           key,
                           false,
                           {},
                           cursor.start,
                           cursor.end});
    }
}

void AddCodedNames(const std::vector<CodedName>& names, bool resource, const Cursor& cursor,
                   std::vector<CompletionEntry>& entries) {
    for (const CodedName& entry : names) {
        entries.push_back({entry.name,
                           CompletionKind::Value,
                           Text(resource ? msg::DetailResource : msg::DetailIngredient, entry.code),
                           entry.name,
                           false,
                           {},
                           cursor.start,
                           cursor.end});
    }
}

// Whether an argument of p may be text, as the analyzer checks it: the number check, with a
// unit of p's base unit and within p's range.
bool FitsNumber(const BundleIndex& index, const ParameterInfo& p, const std::string& text) {
    const std::string unitType = index.UnitTypeOf(p);
    double value = 0;
    if (IsNumberText(text)) {
        value = NumberOf(text);
    } else if (unitType != "number") {
        const std::optional<UnitMatch> match = index.FindUnit(text);
        if (!match || match->unit->base != unitType ||
            !IsNumberText(std::string_view(text).substr(0, match->position))) {
            return false;
        }
        value = NumberOf(text.substr(0, match->position));
        if (match->unit->name != unitType) {
            value = static_cast<float>(match->unit->ratio) * static_cast<float>(value) +
                    static_cast<float>(match->unit->offset);
        }
    }
    if (p.scope.size() != 2) return p.scope.empty();
    std::string high = p.scope[1];
    for (char& c : high) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const auto bound = [](const std::string& number) {
        return IsNumberText(number) ? NumberOf(number) : 0.0;
    };
    const auto f = static_cast<double>(static_cast<float>(value));
    return bound(p.scope[0]) <= f && (high == "inf" || f <= bound(p.scope[1]));
}

// The cooking parameters every value of which a number argument of p accepts.
void AddFittingReferences(const BundleIndex& index, const ParameterInfo& p, const Cursor& cursor,
                          std::vector<CompletionEntry>& entries) {
    for (const auto& [name, cooking] : index.CookingParameters()) {
        const bool fits =
            std::all_of(cooking.values.begin(), cooking.values.end(),
                        [&](const std::string& v) { return FitsNumber(index, p, v); });
        if (!fits) continue;
        entries.push_back({"#" + name, CompletionKind::Reference,
                           Text(msg::DetailCookingParameter, Join(cooking.values, ", ")),
                           "#" + name, false, name, cursor.start, cursor.end});
    }
}

bool StartsWithNumber(const std::string& word) {
    return !word.empty() &&
           ((word[0] >= '0' && word[0] <= '9') || word[0] == '-' || word[0] == '+');
}

}  // namespace

std::optional<HoverText> HoverAt(const BundleIndex& index, std::string_view line, std::size_t at) {
    const Cursor cursor = FindCursor(line, at);
    if (cursor.start == cursor.end) return std::nullopt;
    std::optional<std::string> text;
    switch (cursor.role) {
        case CursorRole::CallName:
            if (index.FindFunction(cursor.word) != nullptr ||
                std::binary_search(index.CallableNames().begin(), index.CallableNames().end(),
                                   cursor.word)) {
                text = FunctionHover(index, cursor.word);
            }
            break;
        case CursorRole::Reference:
            text = CookingHover(index, cursor.word);
            break;
        case CursorRole::Argument:
            text = ValueHover(index, cursor.word, ParameterOf(index, cursor));
            break;
        case CursorRole::Operand:
            text = ValueHover(index, cursor.word, nullptr);
            break;
        case CursorRole::LeftName:
            if (const VariableInfo* v = index.FindVariable(cursor.word)) {
                text = VariableHover(index, *v);
            }
            break;
        case CursorRole::None:
            break;
    }
    if (!text) return std::nullopt;
    return HoverText{std::move(*text), cursor.start, cursor.end};
}

std::vector<CompletionEntry> CompleteAt(const BundleIndex& index, std::string_view line,
                                        int lineNumber, std::size_t at, bool snippets) {
    const Cursor cursor = FindCursor(line, at);
    std::vector<CompletionEntry> entries;
    switch (cursor.role) {
        case CursorRole::Reference:
            for (const auto& [name, p] : index.CookingParameters()) {
                entries.push_back({"#" + name,
                                   CompletionKind::Reference,
                                   Text(msg::DetailCookingParameter, Join(p.values, ", ")),
                                   "#" + name,
                                   false,
                                   {},
                                   cursor.start,
                                   cursor.end});
            }
            break;
        case CursorRole::CallName:
            AddFunctions(index, cursor, snippets, false, entries);
            break;
        case CursorRole::Argument: {
            const ParameterInfo* p = ParameterOf(index, cursor);
            if (p == nullptr || p->unchecked) break;
            if (StartsWithNumber(cursor.word)) {
                AddUnits(index, cursor, index.UnitTypeOf(*p), entries);
            } else if (IsIngredientType(p->dataType)) {
                AddCodedNames(index.Ingredients(), false, cursor, entries);
            } else if (IsResourceType(p->dataType)) {
                AddCodedNames(index.Resources(), true, cursor, entries);
            } else if (!p->select.empty()) {
                AddChoices(p->select, cursor, entries);
            } else if (p->dataType != "char" && p->dataType != "string") {
                AddFittingReferences(index, *p, cursor, entries);
            }
            break;
        }
        case CursorRole::Operand: {
            const VariableInfo* v = index.FindVariable(cursor.leftName);
            if (v == nullptr) break;
            if (StartsWithNumber(cursor.word)) {
                ParameterInfo p;
                p.dataType = v->dataType;
                AddUnits(index, cursor, index.UnitTypeOf(p), entries);
            } else {
                AddChoices(v->select, cursor, entries);
            }
            break;
        }
        case CursorRole::LeftName:
            if (cursor.mayBeAction) {
                AddFunctions(index, cursor, snippets, true, entries);
                if (const std::string task = index.TaskOfLine(lineNumber); !task.empty()) {
                    entries.push_back({"task_" + task,
                                       CompletionKind::Variable,
                                       Text(msg::DetailStepMarker, task),
                                       "task_" + task,
                                       false,
                                       {},
                                       cursor.start,
                                       cursor.end});
                }
            }
            if (cursor.mayBeCondition) {
                entries.push_back({"time",
                                   CompletionKind::Variable,
                                   msg::DetailTime.format,
                                   "time",
                                   false,
                                   {},
                                   cursor.start,
                                   cursor.end});
            }
            for (const auto& [name, v] : index.Variables()) {
                entries.push_back({name,
                                   CompletionKind::Variable,
                                   msg::DetailVariable.format,
                                   name,
                                   false,
                                   {},
                                   cursor.start,
                                   cursor.end});
            }
            break;
        case CursorRole::None:
            break;
    }
    return entries;
}

std::optional<TablePlace> DefinitionAt(const BundleIndex& index, std::string_view line,
                                       std::size_t at) {
    const Cursor cursor = FindCursor(line, at);
    if (cursor.start == cursor.end) return std::nullopt;
    const TablePlace* place = nullptr;
    switch (cursor.role) {
        case CursorRole::CallName:
            if (const FunctionInfo* f = index.FindFunction(cursor.word)) place = &f->place;
            break;
        case CursorRole::Reference:
            if (const CookingParameter* p = index.FindCookingParameter(cursor.word)) {
                place = &p->place;
            }
            break;
        case CursorRole::Argument:
        case CursorRole::Operand: {
            const ParameterInfo* p = ParameterOf(index, cursor);
            const bool wantsResource = p != nullptr && IsResourceType(p->dataType);
            const CodedName* entry = wantsResource ? nullptr : index.FindIngredient(cursor.word);
            if (entry == nullptr) entry = index.FindResource(cursor.word);
            if (entry != nullptr) place = &entry->place;
            break;
        }
        case CursorRole::LeftName:
            if (const VariableInfo* v = index.FindVariable(cursor.word)) place = &v->place;
            break;
        case CursorRole::None:
            break;
    }
    if (place == nullptr || place->file.empty()) return std::nullopt;
    return *place;
}

}  // namespace kv::lsp
