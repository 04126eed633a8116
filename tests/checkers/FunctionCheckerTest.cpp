// FunctionCheckerTest: being written.
