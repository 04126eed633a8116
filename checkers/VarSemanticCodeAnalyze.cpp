// VarSemanticCodeAnalyze: being written.
