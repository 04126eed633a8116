// CountingToken: a token made outside the library that counts its destructions, to prove who
// releases it.
#pragma once

#include <string>

#include "arbor/IToken.h"

namespace kv::test {

class CountingToken : public IToken {
public:
    explicit CountingToken(int* destroyed) : destroyed_(destroyed) {}
    ~CountingToken() override { ++*destroyed_; }
    std::string GetSourceText() override { return "t"; }
    std::string GetText() override { return "t"; }
    int GetLine() override { return 1; }
    int GetEndLine() override { return 1; }
    int GetColumn() override { return 1; }
    int GetType() override { return kv::TokenType::Unknown; }
    void SetText(const std::string&) override {}
    void SetType(int) override {}

private:
    int* destroyed_;
};

}  // namespace kv::test
