#pragma once

#include <QString>

// Runs the current test again, in a child of this test binary placed in a
// PID namespace of its own (util-linux unshare). There /proc lists only the
// processes the test starts, so a whole-machine name match such as
// `pgrep -x make` cannot see the machine's other builds, the make that runs
// the tests included.
namespace OwnPidNamespace {

// True in the child that runs inside the namespace.
bool inside();

struct Outcome {
    enum Kind { passed, failed, skipped, unavailable } kind = unavailable;
    QString output; // the child's output, or why no namespace could be made
};

// Runs the current test inside a new namespace and waits for its end.
Outcome runCurrentTest();
// runCurrentTest(), its outcome passed on to the current test: a failure
// fails it, a skip (or no way to make a namespace) skips it with the reason.
void runCurrentTestAndReport();

} // namespace OwnPidNamespace
