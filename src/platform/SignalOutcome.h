#pragma once

// What became of a request to signal a process.
enum class SignalOutcome {
    sent,
    refused,          // pid < 2 or our own pid
    noSuchProcess,    // gone, or replaced by another process under the same pid
    failed,           // the kernel refused (permission, ...)
};
