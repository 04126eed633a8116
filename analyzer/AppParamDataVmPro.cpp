// The end pipeline: timers and task tables, write-back, then the VM image built and stored.
#include <cstdint>
#include <string>
#include <vector>

#include "IData.h"
#include "KvConst.h"
#include "analyzer/AnalyzerMessages.h"
#include "analyzer/BoundaryGuard.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "vm/KvMakeFile.h"

void KvSemanticAnalyzer::AppParamDataVmPro(std::vector<ISyntaxTreeNode*>& nodes) {
    GuardBoundary(dataHost, [&] {
        // One record of the starttimer calls met, so that a call listed under several of the
        // given nodes is examined and reported once.
        TimerCalls timerCalls;
        ForEachBlockReadingAhead(nodes,
                                 [&](ISyntaxTreeNode* node) { AddTaskTimerId(node, timerCalls); });
        if (appData->vmAppFileType != 0) AddStep2TaskInfo();
        StoreRecipeVersion();
        appData->ChangeVmDataValue("appPar", "", appData->appPar.ToJson());
        MakeAppVmTaskInfo();
        appData->ChangeVmDataValue("taskInfo", "", appData->taskInfo.ToJson());
        if (appData->vmAppFileType == 0) StoreImage();
    });
}

void KvSemanticAnalyzer::StoreRecipeVersion() {
    BasicData* version = newBasicData();
    version->SetText(commonMethod->Format("\"%s\"", appData->GetRecipeVersion().c_str()));
    dataHost->SetData(KvConst::AppParameterDataVm, KvConst::RecipeVersion, version);
}

void KvSemanticAnalyzer::StoreImage() {
    KvVmData vmData = GetKvVmData();
    kv::diag::Print(dataHost, kv::diag::analyzer::VmDataListing, vmData.ToJson());

    std::vector<uint8_t> image;
    {
        KvMakeBinFile builder(dataHost, vmData);
        // A refused image (a table past the 16-bit limits) was reported; store nothing.
        if (!builder.MakeFile(image)) return;
    }
    BasicData* bytes = newBasicData();
    bytes->SetBytes(image);
    dataHost->SetData(KvConst::AppParameterDataVm, "binBytes", bytes);
}
