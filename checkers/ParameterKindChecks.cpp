// ParameterKindChecks: being written.
