// BundleAnnotator: what the bundle and the recipe know about a diagnostic. It widens the caret to
// the call, statement or value it points at, and adds notes: the range and units a parameter
// accepts, the nearest known names to an unknown one, the table file and entry behind a data
// error. It reads the recipe's text and the bundle's tables, never the syntax trees, which the
// analysis rewrites.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/BundleData.h"
#include "host/BundleFacts.h"
#include "host/DiagnosticRecord.h"
#include "host/RecipeLineScan.h"
#include "host/SourceText.h"

namespace kv::host {

class BundleAnnotator final : public DiagnosticAnnotator {
public:
    // data and source are lent and must outlive the annotator; bundleName is the bundle as the
    // user named it, which table files in notes start with. Nothing is read here: each table
    // is read on the first diagnostic that needs it.
    BundleAnnotator(BundleData& data, const SourceText& source, std::string bundleName);
    ~BundleAnnotator() override;

    // Adds the range and notes; best effort, so a lookup that fails adds nothing and bad
    // bundle content never makes it fail.
    void Annotate(DiagnosticRecord& record) override;

    // What a rule sees of a diagnostic.
    struct Site;

private:
    using Rule = void (BundleAnnotator::*)(Site&);
    struct RuleRow;
    static const std::vector<RuleRow>& Rules();

    // ---- Calls and their arguments
    void NoteUnknownFunction(Site& site);
    void NoteMissingDescriptor(Site& site);
    void NoteArgumentCount(Site& site);
    void NoteValueOutOfRange(Site& site);
    void NoteUnits(Site& site);
    void NoteExpectsNumber(Site& site);
    void NoteExpectsText(Site& site);
    void NoteExpectsNonEmptyText(Site& site);
    void NoteChoices(Site& site);
    void NoteUnknownIngredient(Site& site);
    void NoteUnknownResource(Site& site);
    // An ingredient (or resource) argument that names none, and the nearest that do.
    void NoteUnknownArgument(Site& site, bool ingredient);
    void NoteUnknownCookingParameter(Site& site);
    void NoteCookingParameterNotInAppPar(Site& site);
    void NoteVariableUnits(Site& site);
    void NoteVariableExpectsText(Site& site);
    // ---- Entries of the bundle's tables
    void NoteScopeInvalid(Site& site);
    void NoteVariableScopeInvalid(Site& site);
    void NoteUnknownBusinessType(Site& site);
    void NoteScopesReversed(Site& site);
    void NoteParameterNameEmpty(Site& site);
    void NoteParameterNameMissing(Site& site);
    void NoteLogicNoWithoutTask(Site& site);
    void NoteLogicNoTaskIdEmpty(Site& site);
    void NoteIngredientIdMissing(Site& site);
    void NoteRowInvalid(Site& site);
    void NoteResourceIdEmpty(Site& site);
    void NoteBusinessTypeDataTypeEmpty(Site& site);
    void NoteUnitNameAllDigits(Site& site);
    void NoteMaterialIdMissing(Site& site);
    void NoteUnitOffsetMissing(Site& site);
    void NoteUnitRatioMissing(Site& site);
    void NoteLogicNoMissing(Site& site);
    void NoteVisibleStepMissing(Site& site);
    void NoteVisibleIdMissing(Site& site);
    void NoteLogicMaterialNameMissing(Site& site);
    void NoteLogicMaterialQuantityMissing(Site& site);
    void NoteVariableKey(Site& site);
    void NoteTaskStepCountMissing(Site& site);

    // ---- Helpers
    // An argument of the call at the caret, read the way the function checker reads it.
    struct Argument;
    std::vector<Argument> Arguments(const Site& site);
    // The first argument that test accepts, or null.
    template <typename Test>
    const Argument* FirstArgument(const std::vector<Argument>& arguments, Test test);
    // "参数<name>" or "变量<name>".
    std::string Who(const Argument& argument) const;
    // A bound with the unit of dataType's business type after it.
    std::string WithUnit(const std::string& bound, const std::string& dataType);
    void NoteRange(Site& site, const std::string& who, const std::vector<std::string>& scope,
                   const std::string& dataType);
    void NoteAcceptedUnits(Site& site, const std::string& who, const std::string& dataType);
    void NoteSelect(Site& site, const std::string& who,
                    const std::map<std::string, std::string>& select);
    // The values of a cooking parameter given as the argument, which are what was checked.
    void NoteCookingValues(Site& site, const Argument& argument);
    // "Did you mean #name?" for a bare word that is, or is near, a cooking parameter.
    void SuggestCookingParameter(Site& site, const std::string& value);
    void NoteEntry(Site& site, const std::optional<EntryPlace>& place);

    BundleFacts facts_;
    const SourceText& source_;
};

struct BundleAnnotator::Site {
    DiagnosticRecord& record;
    std::vector<std::string_view> slots;  // the values in the message's slots
    std::optional<RecipeLineScan> scan;   // the record's line, when it points into the recipe
    const ScannedCall* call = nullptr;    // the call whose name is at the caret
    const ScannedStatement* statement = nullptr;  // the statement whose name is at the caret

    std::string Slot(std::size_t i) const {
        return i < slots.size() ? std::string(slots[i]) : std::string();
    }
    std::string Text(ColumnSpan span) const {
        return scan ? std::string(scan->Text(span)) : std::string();
    }
    // A note at the diagnostic's own place, or at a file (and line) of its own. Built member
    // by member: MinGW GCC's optimiser takes nested brace initialisers for uninitialised.
    void Note(std::string text) { NoteAt("", std::move(text)); }
    void NoteAt(std::string file, std::string text, int line = -1) {
        DiagnosticNote& note = record.notes.emplace_back();
        note.where.file = std::move(file);
        note.where.line = line;
        note.text = std::move(text);
    }
};

// The names quoted and joined: "<a>", "<a>或<b>", "<a>、<b>或<c>".
std::string NameChoices(const std::vector<std::string>& names);

}  // namespace kv::host
