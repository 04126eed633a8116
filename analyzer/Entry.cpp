// createObject: the library's one exported symbol.
#include "ISemanticAnalyzer.h"
#include "analyzer/KvSemanticAnalyzer.h"

// Without a data store there is nothing to analyse and no sink to report to: no analyzer.
extern "C" ISemanticAnalyzer* createObject(IData* data) {
    if (data == nullptr) return nullptr;
    return new KvSemanticAnalyzer(data);
}
