// OperatorData: the operator characters of the recipe language.
#pragma once

#include <string>

class OperatorData {
public:
    virtual ~OperatorData() = default;
    // An ECMAScript regular expression that one operator character matches in full.
    virtual std::string GetOperatorPattern() const = 0;
};
