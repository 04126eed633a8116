// KvSemanticAnalyzer: construction, destruction and the per-tree phases the host drives.
#include "analyzer/KvSemanticAnalyzer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "IData.h"
#include "KvConst.h"
#include "analyzer/AnalyzerMessages.h"
#include "analyzer/BoundaryGuard.h"
#include "arbor/Arbor.h"
#include "checkers/FunctionSemanticCodeAnalyze.h"
#include "checkers/TimePointSemanticCodeAnalyze.h"
#include "checkers/VarSemanticCodeAnalyze.h"
#include "data/KvData.h"
#include "utilo/CodeConvert.h"
#include "utilo/CommonMethod.h"
#include "utilo/TypeConvert.h"

KvSemanticAnalyzer::KvSemanticAnalyzer(IData* data) : dataHost(data) {
    try {
        appData = new KvData(data);
        treeVisitor = newSyntaxTreeVistor(data);
        commonMethod = newCommonMethod();
        codeConvert = newCodeConvert();
        typeConvert = newTypeConvert();
        kv::diag::Print(dataHost, kv::diag::analyzer::VersionListing, KvConst::KvVersion);
    } catch (...) {
        // The destructor does not run for a constructor that throws (the host's sink
        // included): release what exists.
        ReleaseOwned();
        throw;
    }
}

KvSemanticAnalyzer::~KvSemanticAnalyzer() { ReleaseOwned(); }

void KvSemanticAnalyzer::ReleaseOwned() {
    delete treeVisitor;
    treeVisitor = nullptr;
    delete appData;
    appData = nullptr;
    delete commonMethod;
    commonMethod = nullptr;
    delete codeConvert;
    codeConvert = nullptr;
    delete typeConvert;
    typeConvert = nullptr;
}

void KvSemanticAnalyzer::BeforeAnalyze(ISyntaxTreeNode* /*root*/) {}

namespace {

// Appends checker to out; out owns it from then on.
template <typename Checker>
void AppendChecker(std::vector<ISemanticGenerator*>& out, IData* data, KvData* appData) {
    auto checker = std::make_unique<Checker>(data, appData);
    out.push_back(checker.get());
    checker.release();
}

}  // namespace

void KvSemanticAnalyzer::GetAppSemanticAnalyzers(std::vector<ISemanticGenerator*>& out) {
    GuardBoundary(dataHost, [&] {
        AppendChecker<FunctionSemanticCodeAnalyze>(out, dataHost, appData);
        AppendChecker<VarSemanticCodeAnalyze>(out, dataHost, appData);
        AppendChecker<TimePointSemanticCodeAnalyze>(out, dataHost, appData);
    });
}

void KvSemanticAnalyzer::EndAnalyze(ISyntaxTreeNode* root) {
    if (root == nullptr) return;
    GuardBoundary(dataHost, [&] {
        kv::diag::Print(dataHost, kv::diag::analyzer::ProgramListing, treeVisitor->ToText(root));

        std::vector<ISyntaxTreeNode*> nodes = treeVisitor->CollectNodes(root);
        MakeStepNoFromLeaves(root, nodes);
        BuildStep(nodes);
        // Parameters are put into the VM's form only for a program that checked clean.
        if (!kv::diag::HasError(dataHost)) FormatKvFunPar(std::move(nodes));
    });
}
