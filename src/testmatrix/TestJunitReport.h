#pragma once
// A test run as a JUnit-style XML report, so that build servers can show
// test-matrix results: one test case per executed repetition of a job step.
#include "testmatrix/TestRun.h"

#include <QString>

namespace kitbox {

// suite names the test file; aborted adds an error case for the stopped run.
QString testJunitReport(const QString &suite, const QList<TestStepOutcome> &outcomes, bool aborted);

} // namespace kitbox
