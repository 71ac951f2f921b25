#pragma once

#include <QFuture>

#include <chrono>
#include <functional>

namespace tavolin::test {

// Runs the event loop until `done()` is true or `bound` has passed, and returns `done()`. It never waits a
// fixed time: it returns as soon as an event made `done()` true. The bound is generous on purpose; it only
// turns a hang into a failure.
bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds bound = std::chrono::seconds(30));

// QFuture::waitForFinished() with a bound: true once `future` has finished, false when `bound` passed first.
template <typename T>
bool waitForFinished(const QFuture<T> &future, std::chrono::milliseconds bound = std::chrono::seconds(30))
{
    return waitFor([&] { return future.isFinished(); }, bound);
}

} // namespace tavolin::test
