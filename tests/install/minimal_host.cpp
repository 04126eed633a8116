// minimal_host: the smallest complete compiler host. It loads the analyzer with dlopen, hands it
// a data store held in memory, parses and analyses a one-line recipe, and checks the VM image
// the analyzer stores back. Built outside the source tree against an installed package.
//
//   minimal_host [LIBRARY]     LIBRARY defaults to the path the build was given
#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IData.h"
#include "ISemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"

namespace {

// A table row: one JSON text, which the analyzer may replace.
class Row final : public IDataField, public IDataRecord {
public:
    explicit Row(std::string json) : json_(std::move(json)) {}
    bool IsValid() override { return true; }
    std::string GetString() override { return json_; }
    void SetString(const std::string& text) override { json_ = text; }
    IDataField* GetField() override { return this; }

private:
    std::string json_;
};

// A table held in one row, keyed "0", as a table read from one file is.
class Table final : public IDataTable {
public:
    Table(std::string name, std::string json) : name_(std::move(name)), row_(std::move(json)) {
        records_["0"] = &row_;
    }
    std::string GetName() override { return name_; }
    const std::map<std::string, IDataRecord*>& GetRecords() override { return records_; }

private:
    std::string name_;
    Row row_;
    std::map<std::string, IDataRecord*> records_;
};

class Function final : public ICFunction {
public:
    Function(std::string fullName, int functionNo, int devIndex)
        : fullName_(std::move(fullName)), functionNo_(functionNo), devIndex_(devIndex) {}
    int GetDevIndex() override { return devIndex_; }
    int GetFunctionNo() override { return functionNo_; }
    std::string GetFullName() override { return fullName_; }
    std::string GetMethodPath() override { return fullName_; }

private:
    std::string fullName_;
    int functionNo_;
    int devIndex_;
};

// Listings go to standard output, errors to standard error.
class Log final : public ILanguageDebug {
public:
    bool HasError() override { return errors_ > 0; }
    void Print(const std::string& text, int) override { std::printf("%s\n", text.c_str()); }
    void PrintLine(const std::string& text, int) override { std::printf("%s\n", text.c_str()); }
    void ReportError(int code, const std::string& text, int) override {
        ++errors_;
        std::fprintf(stderr, "error[%d]: %s\n", code, text.c_str());
    }
    void ReportErrorAt(int code, int line, int column, const std::string& text, int) override {
        ++errors_;
        std::fprintf(stderr, "%d:%d: error[%d]: %s\n", line, column, code, text.c_str());
    }
    void ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                               const std::string&, const std::map<std::string, std::string>&,
                               int level) override {
        ReportErrorAt(code, line, column, text, level);
    }

private:
    int errors_ = 0;
};

// The store: a stirring function with a speed of 0 to 100, recipe line 1 in task t1 of one
// step, and an image (VMAppFileType 0) as the output.
class Store final : public IData {
public:
    Store() {
        Add("appParameterDataLc", "bsType",
            R"([{"name": "number", "nameDesc": "数值", "dataType": "number"}])");
        Add("appParameterDataLc", "functionParasValueDes",
            R"({"stir": {"functionName": "stir", "par": [{"name": "speed",
                "dataType": "number", "scope": ["0", "100"]}]}})");
        Add("appParameterDataLc", "logicTaskRelated", R"({"1": "t1"})");
        Add("appParameterDataVm", "taskInfo", R"({"t1": {"stepCount": 1}})");
        Add("systemParameterDataLc", "compileConfigure",
            R"([{"name": "VMAppFileType", "description": "0"}])");
        functions_["stir"].push_back(&stir_);
    }

    const std::map<std::string, std::vector<IDataTable*>>& GetDatabases() override {
        return databases_;
    }
    void SetData(const std::string& group, const std::string& key, BasicData* value) override {
        stored_[group + "/" + key].reset(value);
    }
    void FindMidVariables(const std::string&, std::vector<IMidVariable*>&) override {}
    void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) override {
        auto found = functions_.find(shortName);
        if (found != functions_.end())
            out.insert(out.end(), found->second.begin(), found->second.end());
    }
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return functions_;
    }
    ILanguageDebug* GetLanguageDebug() override { return &log_; }

    const BasicData* Stored(const std::string& name) const {
        auto found = stored_.find(name);
        return found == stored_.end() ? nullptr : found->second.get();
    }

private:
    void Add(const std::string& database, const std::string& name, const std::string& json) {
        tables_.push_back(std::make_unique<Table>(name, json));
        databases_[database].push_back(tables_.back().get());
    }

    std::vector<std::unique_ptr<Table>> tables_;
    std::map<std::string, std::vector<IDataTable*>> databases_;
    Function stir_{"mixer.stir", 1, 0};
    std::map<std::string, std::vector<ICFunction*>> functions_;
    std::map<std::string, std::unique_ptr<BasicData>> stored_;
    Log log_;
};

// The drive order: BeforeAnalyze, every checker on every node, EndAnalyze per block, then
// AppParamDataVmPro, which builds the image.
bool Analyse(ISemanticAnalyzer& analyzer, Store& store, std::vector<ISyntaxTreeNode*>& blocks) {
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&store));
    analyzer.BeforeAnalyze(blocks.front());
    std::vector<ISemanticGenerator*> offered;
    analyzer.GetAppSemanticAnalyzers(offered);
    std::vector<std::unique_ptr<ISemanticGenerator>> checkers(offered.begin(), offered.end());
    std::vector<ISyntaxTreeNode*> nodes;
    for (ISyntaxTreeNode* block : blocks) {
        for (ISyntaxTreeNode* node : visitor->CollectNodes(block)) nodes.push_back(node);
    }
    for (ISyntaxTreeNode* node : std::vector<ISyntaxTreeNode*>(nodes)) {
        for (const auto& checker : checkers) {
            checker->Analyze(node, &nodes);
            if (checker->GetNeedReSyntaxAnalyze()) ReclassifyToken(node);
        }
    }
    for (ISyntaxTreeNode* block : blocks) analyzer.EndAnalyze(block);
    analyzer.AppParamDataVmPro(blocks);
    return !store.GetLanguageDebug()->HasError();
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : KV_ANALYZER_LIBRARY;
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 2;
    }
    using Create = ISemanticAnalyzer* (*)(IData*);
    auto create = reinterpret_cast<Create>(dlsym(library, "createObject"));
    if (create == nullptr) {
        std::fprintf(stderr, "%s has no createObject\n", path);
        return 2;
    }

    Store store;
    ParsedRecipe parsed = ParseRecipe("stir(30)\n");
    if (!parsed.errors.empty()) return 1;
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    bool clean = false;
    {
        std::unique_ptr<ISemanticAnalyzer> analyzer(create(&store));
        clean = Analyse(*analyzer, store, blocks);
    }
    if (!clean) return 1;

    // Five big-endian 32-bit table offsets (variables 0, tasks 4, parameters 16, defaults and
    // extension 20), then each table as a 16-bit record count, the records' 16-bit offsets and
    // their end: no variables; one task record of 6 bytes, three msgpack values: the string
    // "t1\0" (a3 74 31 00), its step count 1 (01) and its empty timer list (90); no parameters;
    // no default or extension data.
    const std::vector<uint8_t> expected = {
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00,
        0x00, 0x14, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
        0x00, 0x06, 0xa3, 0x74, 0x31, 0x00, 0x01, 0x90, 0x00, 0x00, 0x00, 0x00};
    const BasicData* image = store.Stored("appParameterDataVm/binBytes");
    if (image == nullptr || !image->IsBytes() || image->GetBytes() != expected) {
        std::fprintf(stderr, "the image is not the one expected\n");
        return 1;
    }
    std::printf("image: %zu bytes as expected\n", expected.size());
    return 0;
}
