// ISemanticAnalyzer and ISemanticGenerator: what the host drives, and the library's entry point.
#pragma once

#include <vector>

class IData;
class ISyntaxTreeNode;

// A per-node checker; the host owns it and deletes it through the virtual destructor.
class ISemanticGenerator {
public:
    virtual ~ISemanticGenerator() = default;
    // Examines one node; nodes holds every node of the program.
    virtual bool Analyze(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>* nodes) = 0;
    virtual bool DeAnalyze(ISyntaxTreeNode* node) = 0;
    // True when the checker rewrote a token that the syntax stage must classify again.
    virtual bool GetNeedReSyntaxAnalyze() = 0;
};

// The analyzer; the host calls its operations in declaration order.
class ISemanticAnalyzer {
public:
    virtual ~ISemanticAnalyzer() = default;
    virtual void BeforeAnalyze(ISyntaxTreeNode* root) = 0;
    virtual void EndAnalyze(ISyntaxTreeNode* root) = 0;
    virtual void GetAppSemanticAnalyzers(std::vector<ISemanticGenerator*>& out) = 0;
    virtual void AppParamDataVmPro(std::vector<ISyntaxTreeNode*>& nodes) = 0;
};

#if defined(_WIN32) && defined(KV_BUILDING_ANALYZER)
#define KV_ENTRY_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define KV_ENTRY_EXPORT __declspec(dllimport)
#else
#define KV_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

// The one symbol the host looks up: creates an analyzer over the host's data.
extern "C" KV_ENTRY_EXPORT ISemanticAnalyzer* createObject(IData* data);
