#pragma once

#include <chrono>
#include <functional>

namespace tavolin::test {

// Runs the event loop until `done()` is true or `bound` has passed, and returns `done()`. It never waits a
// fixed time: it returns as soon as an event made `done()` true. The bound is generous on purpose; it only
// turns a hang into a failure.
bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds bound = std::chrono::seconds(30));

} // namespace tavolin::test
