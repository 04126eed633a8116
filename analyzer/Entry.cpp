// createObject: the library's one exported symbol.
#include "ISemanticAnalyzer.h"
#include "analyzer/KvSemanticAnalyzer.h"

extern "C" ISemanticAnalyzer* createObject(IData* data) { return new KvSemanticAnalyzer(data); }
