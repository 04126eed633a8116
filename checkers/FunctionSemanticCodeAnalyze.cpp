// FunctionSemanticCodeAnalyze: being written.
