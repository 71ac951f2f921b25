#pragma once

namespace tavolin {

// Turns wheel movement into whole-row steps for the quick-open list, so the numbered row shortcuts keep
// matching whole rows: distance accumulates until it reaches a row height, then the list moves by exactly
// the rows reached. The counters live for one scroll gesture. Plain values, main thread.
class StepScrollView
{
public:
    // Adds `delta` (positive moves the list's content up, towards later rows; already corrected for
    // inverted devices) and returns the rows to scroll now (negative: towards the top). A row height of 1
    // or less never steps.
    int scrollWheel(float delta, float rowHeight);
    // Start and end of a scroll gesture.
    void resetGesture();

    float shadowScrollPos = 0;
    int offsetRow = 0;
};

} // namespace tavolin
