#include "ui/panel/StepScrollView.h"

namespace tavolin {

int StepScrollView::scrollWheel(float delta, float rowHeight)
{
    if (rowHeight <= 1.0f)
        return 0;
    shadowScrollPos += delta;
    const int target = static_cast<int>(shadowScrollPos / rowHeight); // truncates toward zero
    if (target == offsetRow)
        return 0;
    const int step = target - offsetRow;
    offsetRow = target;
    return step;
}

void StepScrollView::resetGesture()
{
    shadowScrollPos = 0;
    offsetRow = 0;
}

} // namespace tavolin
