// VarCheckerTest: being written.
