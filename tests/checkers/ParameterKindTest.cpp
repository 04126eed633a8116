// ParameterKindTest: being written.
