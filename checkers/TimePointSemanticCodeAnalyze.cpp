// TimePointSemanticCodeAnalyze: being written.
