// TimePointCheckerTest: being written.
