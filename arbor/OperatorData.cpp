// OperatorData: the operator characters of the recipe language, one object for the library.
#include "arbor/OperatorData.h"

#include "arbor/Arbor.h"

namespace {

class RecipeOperatorData final : public OperatorData {
public:
    // One bracket expression: inside it '-' (placed first), '(', ')', '|', '*' and '+' are plain
    // characters, so the whole pattern matches exactly one of + - * / % < > = ! & | ( ).
    std::string GetOperatorPattern() const override { return "[-+*/%<>=!&|()]"; }
};

}  // namespace

OperatorData* getGlobalOperatorData() {
    static RecipeOperatorData data;
    return &data;
}
