#pragma once

// Thrown from the co_await of a wait that can no longer end (the event loop
// or the clock behind it is going away for good). The coroutine, and every
// coroutine awaiting it, unwinds: frames are freed, nothing after the wait
// runs. Deliberately not a std::exception, so no handler takes it for an error.
struct WaitAbandoned {};
