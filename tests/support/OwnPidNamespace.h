#pragma once

// Runs the current test again, in a child of this test binary placed in a
// PID namespace of its own (util-linux unshare). There /proc lists only the
// processes the test starts, so a whole-machine name match such as
// `pgrep -x make` cannot see the machine's other builds.
namespace OwnPidNamespace {

// True in the child that runs inside the namespace.
bool inside();

// Runs the current test inside a new namespace and passes its outcome on:
// a failure fails the current test, a skip (or no way to make a namespace)
// skips it with the reason.
void runCurrentTestAndReport();

} // namespace OwnPidNamespace
