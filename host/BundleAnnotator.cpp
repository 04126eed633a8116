// BundleAnnotator: telling the diagnostic by its sentence, the caret's range, and the notes on
// calls, arguments and variables. The notes on table entries are in BundleEntryNotes.cpp.
#include "host/BundleAnnotator.h"

#include <exception>

#include "host/LibraryMessages.h"
#include "host/NoteMessages.h"
#include "utilo/AsciiCase.h"

namespace kv::host {
namespace lib = kv::host::library;
namespace note = kv::diag::note;
using kv::diag::Text;
using kv::text::EqualsInAnyCase;

namespace {

// The parser's carets point at the character where the grammar broke, not at a token.
constexpr int kFirstSyntaxCode = 9000;

bool IsQuoted(const std::string& text) {
    return !text.empty() && text.front() == '"' && text.back() == '"';
}

bool IsCharacterType(const std::string& dataType) {
    return dataType == "char" || dataType == "string";
}

// A word that could be a name: it starts with a letter, '_' or a non-ASCII byte.
bool IsWord(const std::string& text) {
    if (text.empty()) return false;
    const auto first = static_cast<unsigned char>(text.front());
    return (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '_' ||
           first >= 0x80;
}

std::string Joined(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces) {
        if (!text.empty()) text += note::ListComma.format;
        text += piece;
    }
    return text;
}

std::vector<std::string> Prefixed(const std::vector<std::string_view>& names,
                                  std::string_view prefix) {
    std::vector<std::string> prefixed;
    for (const std::string_view name : names)
        prefixed.push_back(std::string(prefix) + std::string(name));
    return prefixed;
}

enum class ArgumentKind {
    Unchecked,
    Null,
    Number,
    CookingParameter,
    Character,
    Ingredient,
    Resource
};

// How the function checker takes an argument's text (its quotes already stripped), in the
// order it decides.
ArgumentKind KindOf(const ParameterFacts& parameter, const std::string& text) {
    using Kind = ArgumentKind;
    const std::string& type = parameter.dataType;
    const bool character = IsCharacterType(type);
    if (EqualsInAnyCase(text, "null")) return Kind::Null;
    if (text.starts_with('#') && !character) return Kind::CookingParameter;
    if (character && parameter.scope.empty()) return Kind::Character;
    if (type == "material-id" || type == "materiel-id") return Kind::Ingredient;
    if (type == "res-id") return Kind::Resource;
    return Kind::Number;
}

}  // namespace

std::string NameChoices(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? note::ListOr.format : note::ListComma.format;
        text += Text(note::QuotedName, names[i]);
    }
    return text;
}

struct BundleAnnotator::Argument {
    using Kind = ArgumentKind;
    Kind kind = Kind::Unchecked;
    std::string written;  // as in the recipe
    std::string text;     // as the checker reads it: a text type's quotes stripped
    const ParameterFacts* parameter = nullptr;
    ColumnSpan span;
};

struct BundleAnnotator::RuleRow {
    const char* format;
    int code;
    Rule rule;
};

BundleAnnotator::BundleAnnotator(BundleData& data, const SourceText& source, std::string bundleName)
    : facts_(data, std::move(bundleName)), source_(source) {}

BundleAnnotator::~BundleAnnotator() = default;

const std::vector<BundleAnnotator::RuleRow>& BundleAnnotator::Rules() {
    const auto row = [](const auto& message, Rule rule) {
        return RuleRow{message.format, message.code, rule};
    };
    using B = BundleAnnotator;
    static const std::vector<RuleRow> rules = {
        // Calls and their arguments.
        row(lib::analyzer::FunParDesMissing, &B::NoteUnknownFunction),
        row(lib::checker::FunDescMissing, &B::NoteMissingDescriptor),
        row(lib::checker::FunParCountWrong, &B::NoteArgumentCount),
        row(lib::analyzer::ParamsMissing, &B::NoteArgumentCount),
        row(lib::analyzer::TimerWithoutArguments, &B::NoteArgumentCount),
        row(lib::checker::ValueOutOfRange, &B::NoteValueOutOfRange),
        row(lib::checker::VarCookParValueOutOfRange, &B::NoteValueOutOfRange),
        row(lib::checker::FunValueOrUnitWrong, &B::NoteUnits),
        row(lib::checker::FunValueIsString, &B::NoteExpectsNumber),
        row(lib::checker::FunParNotString, &B::NoteExpectsText),
        row(lib::checker::FunParEmpty, &B::NoteExpectsNonEmptyText),
        row(lib::checker::NotInSelect, &B::NoteChoices),
        row(lib::checker::VarNotInSelect, &B::NoteChoices),
        row(lib::checker::FunNotMaterial, &B::NoteUnknownIngredient),
        row(lib::checker::FunNotResource, &B::NoteUnknownResource),
        row(lib::checker::CookParMissing, &B::NoteUnknownCookingParameter),
        row(lib::checker::CookParNotInAppPar, &B::NoteCookingParameterNotInAppPar),
        row(lib::checker::VarUnitWrong, &B::NoteVariableUnits),
        row(lib::checker::VarNotString, &B::NoteVariableExpectsText),
        // Entries of the bundle's tables.
        row(lib::checker::FunScopeInvalid, &B::NoteScopeInvalid),
        row(lib::checker::VarScopeInvalid, &B::NoteVariableScopeInvalid),
        row(lib::checker::FunBsTypeMissing, &B::NoteUnknownBusinessType),
        row(lib::data::ScopeBoundsReversed, &B::NoteScopesReversed),
        row(lib::analyzer::ParamDesNameEmpty, &B::NoteParameterNameEmpty),
        row(lib::data::FunParNameMissing, &B::NoteParameterNameMissing),
        row(lib::analyzer::LogicNoWithoutTask, &B::NoteLogicNoWithoutTask),
        row(lib::analyzer::LogicNoTaskIdEmpty, &B::NoteLogicNoTaskIdEmpty),
        row(lib::analyzer::IngredientIdMissing, &B::NoteIngredientIdMissing),
        row(lib::data::TableRowInvalid, &B::NoteRowInvalid),
        row(lib::data::ResourceIdEmpty, &B::NoteResourceIdEmpty),
        row(lib::data::BsTypeDataTypeEmpty, &B::NoteBusinessTypeDataTypeEmpty),
        row(lib::data::UnitNameAllDigits, &B::NoteUnitNameAllDigits),
        row(lib::data::MaterialIdMissing, &B::NoteMaterialIdMissing),
        row(lib::data::UnitOffsetMissing, &B::NoteUnitOffsetMissing),
        row(lib::data::UnitRatioMissing, &B::NoteUnitRatioMissing),
        row(lib::data::LogicNoMissing, &B::NoteLogicNoMissing),
        row(lib::data::VisibleStepMissing, &B::NoteVisibleStepMissing),
        row(lib::data::VisibleIdMissing, &B::NoteVisibleIdMissing),
        row(lib::data::LogicMaterialNameMissing, &B::NoteLogicMaterialNameMissing),
        row(lib::data::LogicMaterialQuantityMissing, &B::NoteLogicMaterialQuantityMissing),
        row(lib::data::VarKeyMalformed, &B::NoteVariableKey),
        row(lib::data::VarObjectUnknown, &B::NoteVariableKey),
        row(lib::vm::TaskStepCountMissing, &B::NoteTaskStepCountMissing),
    };
    return rules;
}

void BundleAnnotator::Annotate(DiagnosticRecord& record) {
    try {
        Site site{record, {}, std::nullopt};
        const SourceLocation& where = record.where;
        const bool inRecipe = where.line >= 1 && where.line <= source_.LineCount() &&
                              (where.file.empty() || where.file == source_.Name());
        if (inRecipe && where.column >= 1) {
            const RecipeLineScan& scan = site.scan.emplace(source_.Line(where.line));
            site.call = scan.CallAt(where.column);
            site.statement = scan.StatementAt(where.column);
            if (record.code < kFirstSyntaxCode && where.endColumn < 0) {
                if (const std::optional<ColumnSpan> range = scan.RangeAt(where.column)) {
                    record.where.endColumn = range->end;
                }
            }
        }
        for (const RuleRow& rule : Rules()) {
            if (rule.code != record.code) continue;
            std::optional<std::vector<std::string_view>> slots =
                lib::MatchMessage(rule.format, record.message);
            if (!slots) continue;
            site.slots = std::move(*slots);
            (this->*rule.rule)(site);
            break;
        }
    } catch (const std::exception&) {
        // Notes are best effort: whatever was added stays, and the diagnostic is shown as is.
    }
}

std::vector<BundleAnnotator::Argument> BundleAnnotator::Arguments(const Site& site) {
    std::vector<Argument> arguments;
    if (site.call == nullptr) return arguments;
    const FunctionFacts* function = facts_.Function(site.Text(site.call->name));
    if (function == nullptr) return arguments;
    const std::vector<ParameterFacts>& parameters =
        function->grouped ? function->group : function->parameters;
    if (parameters.empty()) return arguments;
    for (std::size_t i = 0; i < site.call->arguments.size(); ++i) {
        if (!function->grouped && i >= parameters.size()) break;
        Argument& argument = arguments.emplace_back();
        const ParameterFacts& parameter = parameters[i % parameters.size()];
        argument.parameter = &parameter;
        argument.span = site.call->arguments[i];
        argument.written = site.Text(argument.span);
        argument.text = argument.written;
        if (parameter.unchecked || parameter.dataType.empty()) continue;
        if (facts_.IsTextType(parameter.dataType) && IsQuoted(argument.text)) {
            argument.text =
                argument.text.size() > 2 ? argument.text.substr(1, argument.text.size() - 2) : "";
        }
        argument.kind = KindOf(parameter, argument.text);
    }
    return arguments;
}

template <typename Test>
const BundleAnnotator::Argument* BundleAnnotator::FirstArgument(
    const std::vector<Argument>& arguments, Test test) {
    for (const Argument& argument : arguments) {
        if (test(argument)) return &argument;
    }
    return nullptr;
}

std::string BundleAnnotator::Who(const Argument& argument) const {
    return Text(note::ParameterName, argument.parameter->name);
}

std::string BundleAnnotator::WithUnit(const std::string& bound, const std::string& dataType) {
    const std::string unit = facts_.UnitTypeOf(dataType);
    return unit == "number" ? bound : bound + unit;
}

void BundleAnnotator::NoteRange(Site& site, const std::string& who,
                                const std::vector<std::string>& scope,
                                const std::string& dataType) {
    if (scope.size() != 2) return;
    if (EqualsInAnyCase(scope[1], "inf")) {
        site.Note(Text(note::ValueAtLeast, who, WithUnit(scope[0], dataType)));
        return;
    }
    site.Note(
        Text(note::ValueRange, who, WithUnit(scope[0], dataType), WithUnit(scope[1], dataType)));
}

void BundleAnnotator::NoteAcceptedUnits(Site& site, const std::string& who,
                                        const std::string& dataType) {
    const std::string base = facts_.UnitTypeOf(dataType);
    if (base == "number" || base.empty()) {
        site.Note(Text(note::NumbersOnly, who));
        return;
    }
    std::vector<std::string> units;
    for (const UnitFacts& unit : facts_.Units()) {
        if (unit.base != base || unit.name.empty()) continue;
        units.push_back(unit.chineseName.empty()
                            ? unit.name
                            : Text(note::UnitNames, unit.name, unit.chineseName));
    }
    if (!units.empty()) site.Note(Text(note::AcceptedUnits, who, Joined(units), base));
}

void BundleAnnotator::NoteSelect(Site& site, const std::string& who,
                                 const std::map<std::string, std::string>& select) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : select) keys.push_back(key);
    if (!keys.empty()) site.Note(Text(note::Choices, who, Joined(keys)));
}

void BundleAnnotator::NoteCookingValues(Site& site, const Argument& argument) {
    if (argument.kind != Argument::Kind::CookingParameter) return;
    const std::string name = argument.text.substr(1);
    if (const std::vector<std::string>* values = facts_.CookingParameter(name)) {
        site.Note(Text(note::CookingValues, name, Joined(*values)));
    }
}

void BundleAnnotator::SuggestCookingParameter(Site& site, const std::string& value) {
    // A bare word where a number belongs is often a cooking parameter without its '#'.
    if (!IsWord(value)) return;
    if (facts_.CookingParameter(value) != nullptr) {
        site.Note(Text(note::DidYouMean, NameChoices({"#" + value})));
        return;
    }
    const std::vector<std::string_view>& near = facts_.CookingParameterNames().Nearest(value);
    if (!near.empty()) site.Note(Text(note::DidYouMean, NameChoices(Prefixed(near, "#"))));
}

// ---- Calls and their arguments

void BundleAnnotator::NoteUnknownFunction(Site& site) {
    const std::string name = site.Slot(0);
    // A function the host has but the descriptors lack is the bundle's fault after all.
    if (facts_.IsHostFunction(name)) {
        NoteMissingDescriptor(site);
        return;
    }
    const std::vector<std::string_view>& near = facts_.FunctionNames().Nearest(name);
    if (near.empty()) {
        site.Note(Text(note::UnknownFunction, name));
        return;
    }
    site.Note(Text(note::UnknownFunctionNear, name, NameChoices(Prefixed(near, ""))));
}

void BundleAnnotator::NoteMissingDescriptor(Site& site) {
    site.NoteAt(facts_.TableFile("appParameterDataLc", "functionParasValueDes"),
                Text(note::NoEntry, site.Slot(0)));
}

void BundleAnnotator::NoteArgumentCount(Site& site) {
    if (site.call == nullptr) return;
    const std::string name = site.Text(site.call->name);
    const FunctionFacts* function = facts_.Function(name);
    if (function == nullptr) return;
    const std::vector<ParameterFacts>& parameters =
        function->grouped ? function->group : function->parameters;
    std::vector<std::string> names;
    for (const ParameterFacts& parameter : parameters) names.push_back(parameter.name);
    const std::string given = std::to_string(site.call->arguments.size());
    const std::string count = std::to_string(parameters.size());
    if (function->grouped) {
        site.Note(Text(note::ArgumentGroups, name, count, Joined(names), given));
    } else if (parameters.empty()) {
        site.Note(Text(note::NoArguments, name, given));
    } else {
        site.Note(Text(note::ArgumentCount, name, count, Joined(names), given));
    }
}

void BundleAnnotator::NoteValueOutOfRange(Site& site) {
    if (site.statement != nullptr) {
        const std::string name = site.Text(site.statement->name);
        if (const VariableFacts* variable = facts_.Variable(name)) {
            NoteRange(site, Text(note::VariableName, name), variable->scope, variable->dataType);
        }
        return;
    }
    // The message gives the bounds as written and the value in the base unit: the argument is
    // the first whose parameter has those bounds and whose value lies outside them.
    const std::string low = site.Slot(1);
    const std::string high = site.Slot(2);
    const auto bounded = [&](const Argument& argument) {
        const std::vector<std::string>& scope = argument.parameter->scope;
        return (argument.kind == Argument::Kind::Number ||
                argument.kind == Argument::Kind::CookingParameter) &&
               scope.size() == 2 && scope[0] == low && scope[1] == high;
    };
    const auto outside = [&](const Argument& argument) {
        if (!bounded(argument)) return false;
        const std::vector<std::string>& scope = argument.parameter->scope;
        std::vector<std::string> values{argument.text};
        if (argument.kind == Argument::Kind::CookingParameter) {
            const std::vector<std::string>* listed =
                facts_.CookingParameter(argument.text.substr(1));
            values = listed != nullptr ? *listed : std::vector<std::string>{};
        }
        const std::string unit = facts_.UnitTypeOf(argument.parameter->dataType);
        for (const std::string& text : values) {
            const std::optional<float> value = facts_.ValueIn(text, unit);
            if (!value) continue;
            const double lowest = facts_.BoundValue(scope[0]);
            const bool inside = EqualsInAnyCase(scope[1], "inf")
                                    ? lowest <= *value
                                    : lowest <= *value && *value <= facts_.BoundValue(scope[1]);
            if (!inside) return true;
        }
        return false;
    };
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, outside);
    if (argument == nullptr) argument = FirstArgument(arguments, bounded);
    if (argument == nullptr) return;
    NoteRange(site, Who(*argument), argument->parameter->scope, argument->parameter->dataType);
    NoteCookingValues(site, *argument);
}

void BundleAnnotator::NoteUnits(Site& site) {
    const auto refused = [&](const Argument& argument) {
        const std::string unit = facts_.UnitTypeOf(argument.parameter->dataType);
        if (argument.kind == Argument::Kind::Number) {
            return !IsQuoted(argument.text) && !facts_.ValueIn(argument.text, unit);
        }
        if (argument.kind != Argument::Kind::CookingParameter ||
            argument.parameter->scope.empty()) {
            return false;
        }
        const std::vector<std::string>* values = facts_.CookingParameter(argument.text.substr(1));
        if (values == nullptr) return false;
        for (const std::string& value : *values) {
            if (!facts_.ValueIn(value, unit)) return true;
        }
        return false;
    };
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, refused);
    if (argument == nullptr) return;
    NoteAcceptedUnits(site, Who(*argument), argument->parameter->dataType);
    NoteCookingValues(site, *argument);
    if (argument->kind == Argument::Kind::Number) SuggestCookingParameter(site, argument->text);
}

void BundleAnnotator::NoteExpectsNumber(Site& site) {
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, [](const Argument& candidate) {
        return candidate.kind == Argument::Kind::Number && IsQuoted(candidate.text);
    });
    if (argument != nullptr) site.Note(Text(note::ExpectsNumber, Who(*argument)));
}

void BundleAnnotator::NoteExpectsText(Site& site) {
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, [&](const Argument& candidate) {
        return candidate.kind != Argument::Kind::Unchecked &&
               facts_.IsTextType(candidate.parameter->dataType) && !IsQuoted(candidate.written);
    });
    if (argument != nullptr) site.Note(Text(note::ExpectsText, Who(*argument)));
}

void BundleAnnotator::NoteExpectsNonEmptyText(Site& site) {
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, [&](const Argument& candidate) {
        return candidate.kind != Argument::Kind::Unchecked &&
               facts_.IsTextType(candidate.parameter->dataType) && candidate.written == "\"\"";
    });
    if (argument != nullptr) site.Note(Text(note::ExpectsNonEmptyText, Who(*argument)));
}

void BundleAnnotator::NoteChoices(Site& site) {
    if (site.statement != nullptr) {
        const std::string name = site.Text(site.statement->name);
        if (const VariableFacts* variable = facts_.Variable(name)) {
            NoteSelect(site, Text(note::VariableName, name), variable->select);
        }
        return;
    }
    // The caret is at the call, or at the argument when a cooking parameter's value failed.
    const int column = site.record.where.column;
    if (site.call == nullptr && site.scan) {
        for (const ScannedCall& call : site.scan->Calls()) {
            for (const ColumnSpan& argument : call.arguments) {
                if (argument.begin == column) site.call = &call;
            }
        }
    }
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, [&](const Argument& candidate) {
        const auto& select = candidate.parameter->select;
        if (select.empty()) return false;
        if (candidate.span.begin == column) return true;
        if (candidate.kind != Argument::Kind::Character ||
            candidate.text.find('#') != std::string::npos) {
            return false;
        }
        for (const auto& [key, value] : select) {
            if (candidate.text == key || candidate.text == value) return false;
        }
        return true;
    });
    if (argument != nullptr) NoteSelect(site, Who(*argument), argument->parameter->select);
}

void BundleAnnotator::NoteUnknownIngredient(Site& site) { NoteUnknownArgument(site, true); }

void BundleAnnotator::NoteUnknownResource(Site& site) { NoteUnknownArgument(site, false); }

void BundleAnnotator::NoteUnknownArgument(Site& site, bool ingredient) {
    const Argument::Kind kind = ingredient ? Argument::Kind::Ingredient : Argument::Kind::Resource;
    const std::vector<Argument> arguments = Arguments(site);
    const Argument* argument = FirstArgument(arguments, [&](const Argument& candidate) {
        return candidate.kind == kind && !(ingredient ? facts_.IsIngredient(candidate.text)
                                                      : facts_.IsResource(candidate.text));
    });
    if (argument == nullptr) return;
    const std::string& name = argument->text;
    NameFinder& finder = ingredient ? facts_.IngredientNames() : facts_.ResourceNames();
    const std::vector<std::string_view>& near = finder.Nearest(name);
    if (near.empty()) {
        site.Note(Text(ingredient ? note::UnknownIngredient : note::UnknownResource, name));
        return;
    }
    site.Note(Text(ingredient ? note::UnknownIngredientNear : note::UnknownResourceNear, name,
                   NameChoices(Prefixed(near, ""))));
}

void BundleAnnotator::NoteUnknownCookingParameter(Site& site) {
    const std::vector<std::string_view>& near =
        facts_.CookingParameterNames().Nearest(site.Slot(0));
    if (!near.empty()) site.Note(Text(note::DidYouMean, NameChoices(Prefixed(near, "#"))));
}

void BundleAnnotator::NoteCookingParameterNotInAppPar(Site& site) {
    site.NoteAt(facts_.TableFile("appParameterDataVm", "appPar"),
                Text(note::NoEntry, site.Slot(0)));
}

void BundleAnnotator::NoteVariableUnits(Site& site) {
    if (site.statement == nullptr) return;
    const std::string name = site.Text(site.statement->name);
    const VariableFacts* variable = facts_.Variable(name);
    if (variable == nullptr) return;
    NoteAcceptedUnits(site, Text(note::VariableName, name), variable->dataType);
    SuggestCookingParameter(site, site.Slot(0));
}

void BundleAnnotator::NoteVariableExpectsText(Site& site) {
    site.Note(Text(note::ExpectsText, Text(note::VariableName, site.Slot(0))));
}

}  // namespace kv::host
