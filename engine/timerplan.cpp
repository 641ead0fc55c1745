// The animation timer's next period; apart from the tick so that the
// arithmetic stands alone.
#include "engine/tick.h"

uint32_t PlanTimerInterval(uint32_t nextDueTick, uint32_t t0, int32_t duration) {
    uint32_t base = nextDueTick != 0 ? nextDueTick : t0;
    uint32_t interval = (base - t0) + (uint32_t)duration;
    if (interval < 10) return 10;
    // Also where a tick later than its plan by more than the duration lands.
    if (interval > 10000000) return 100;
    return interval;
}
