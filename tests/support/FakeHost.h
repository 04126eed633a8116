// FakeHost: an in-memory IData and a recording ILanguageDebug for unit tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IData.h"
#include "ILanguageDebug.h"
#include "arbor/BasicData.h"

namespace kv::test {

// One call made on the log sink.
struct LogCall {
    std::string op;  // Print, PrintLine, ReportError, ReportErrorAt, ReportErrorAtWithData
    int code = 0;
    int line = 0;
    int column = 0;
    int level = 0;  // kind for Print
    std::string text;
};

class FakeLog : public ILanguageDebug {
public:
    std::vector<LogCall> calls;

    bool HasError() override { return hasError; }
    void Print(const std::string& text, int kind) override {
        calls.push_back({"Print", 0, 0, 0, kind, text});
    }
    void PrintLine(const std::string& text, int level) override {
        calls.push_back({"PrintLine", 0, 0, 0, level, text});
    }
    void ReportError(int code, const std::string& text, int level) override {
        hasError = true;
        calls.push_back({"ReportError", code, 0, 0, level, text});
    }
    void ReportErrorAt(int code, int line, int column, const std::string& text,
                       int level) override {
        hasError = true;
        calls.push_back({"ReportErrorAt", code, line, column, level, text});
    }
    void ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                               const std::string&, const std::map<std::string, std::string>&,
                               int level) override {
        hasError = true;
        calls.push_back({"ReportErrorAtWithData", code, line, column, level, text});
    }

    // The calls whose op is one of the error reports.
    std::vector<LogCall> Errors() const {
        std::vector<LogCall> errors;
        for (const LogCall& call : calls) {
            if (call.op.rfind("Report", 0) == 0) errors.push_back(call);
        }
        return errors;
    }

    // Each error as "op code line:column text" (with " level N" when the level is not 3, the
    // level of every error of this system); then forgets every call and the error state.
    std::vector<std::string> TakeErrorLines() {
        std::vector<std::string> lines;
        for (const LogCall& call : Errors()) {
            std::string line = call.op + " " + std::to_string(call.code) + " " +
                               std::to_string(call.line) + ":" + std::to_string(call.column) +
                               " " + call.text;
            if (call.level != 3) line += " level " + std::to_string(call.level);
            lines.push_back(std::move(line));
        }
        calls.clear();
        hasError = false;
        return lines;
    }

    bool hasError = false;
};

class FakeField : public IDataField {
public:
    explicit FakeField(std::string text, bool valid = true) : text_(std::move(text)), valid_(valid) {}
    bool IsValid() override { return valid_; }
    std::string GetString() override { return text_; }
    void SetString(const std::string& text) override { text_ = text; }

private:
    std::string text_;
    bool valid_;
};

class FakeRecord : public IDataRecord {
public:
    explicit FakeRecord(std::string text, bool valid = true) : field_(std::move(text), valid) {}
    IDataField* GetField() override { return &field_; }

private:
    FakeField field_;
};

class FakeTable : public IDataTable {
public:
    explicit FakeTable(std::string name) : name_(std::move(name)) {}
    std::string GetName() override { return name_; }
    const std::map<std::string, IDataRecord*>& GetRecords() override { return view_; }

    // Adds a row under key (rows are walked in key order); valid=false makes an unusable row.
    FakeTable& AddRow(const std::string& key, const std::string& json, bool valid = true) {
        auto& slot = rows_[key];
        slot = std::make_unique<FakeRecord>(json, valid);
        view_[key] = slot.get();
        return *this;
    }
    // The current text of the row under key.
    std::string RowText(const std::string& key) { return rows_.at(key)->GetField()->GetString(); }

private:
    std::string name_;
    std::map<std::string, std::unique_ptr<FakeRecord>> rows_;
    std::map<std::string, IDataRecord*> view_;
};

class FakeData : public IData {
public:
    FakeLog log;
    // What SetData received, by group then key.
    std::map<std::string, std::map<std::string, std::unique_ptr<BasicData>>> stored;

    // Adds a table at the end of database's list and returns it for rows to be added.
    FakeTable& AddTable(const std::string& database, const std::string& name) {
        tables_.push_back(std::make_unique<FakeTable>(name));
        databases_[database].push_back(tables_.back().get());
        return *tables_.back();
    }
    // Shorthand for a table held in one row.
    FakeTable& AddTable(const std::string& database, const std::string& name,
                        const std::string& json) {
        return AddTable(database, name).AddRow("0", json);
    }

    const std::map<std::string, std::vector<IDataTable*>>& GetDatabases() override {
        return databases_;
    }
    void SetData(const std::string& group, const std::string& key, BasicData* value) override {
        stored[group][key].reset(value);
    }
    void FindMidVariables(const std::string&, std::vector<IMidVariable*>&) override {}
    void FindFunctions(const std::string&, std::vector<ICFunction*>&) override {}
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return functions_;
    }
    ILanguageDebug* GetLanguageDebug() override { return &log; }

private:
    std::vector<std::unique_ptr<FakeTable>> tables_;
    std::map<std::string, std::vector<IDataTable*>> databases_;
    std::map<std::string, std::vector<ICFunction*>> functions_;
};

}  // namespace kv::test
