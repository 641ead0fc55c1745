// Schedule rules, rule selection and the animation's own state.
#pragma once

#include "platform.h"

#include <stdint.h>

struct AnimationState {
    int32_t currentRule;
    int32_t frameIndex;
    int32_t paused;
    uint32_t nextDueTick;  // 0: no plan
    int32_t backgroundRefreshPending;
    SYSTEMTIME lastTickTime;  // wMonth 0: no tick yet
    // Seconds counted from a fixed day (EventSecondOf; 0: none). eventSecond
    // is the last second that started an event sequence, the one the walk
    // found or the one its first frame showed in, whichever is later: no
    // walk tests it, or a second before it, again. chosenEventSecond is the
    // second a walk found for the event the next tick shows first; that tick
    // makes it eventSecond, a restart drops it.
    int64_t eventSecond;
    int64_t chosenEventSecond;
};
// The animation as the engine left it, for reading: the engine alone changes
// it (control.h, tick.h).
extern const AnimationState &animation;
// The animation as before the first tick: no rule, no frame, no plan.
void ResetAnimation(void);
// Puts the animation in a given state, as a tick would have left it: for the
// skin author's schedule tool and the tests, which replay chosen moments.
void SetAnimationState(const AnimationState *state);

uint32_t RandomInRange(uint32_t low, uint32_t high);
int RuleMatches(int32_t rule, const SYSTEMTIME *t);
// The catch-up's walk for one rule: whether it allows a second from since's
// to now's, leaving out the walk's first skip seconds (since's own is the
// first).
int RuleMatchedSince(int32_t rule, const SYSTEMTIME *now, const SYSTEMTIME *since, int64_t skip);
// The look-ahead for one rule: the milliseconds from now to the middle of
// the first second it allows among those that begin at least `first`
// seconds after now's own (1: the next) and no later than now + window, or
// -1. The middle may lie up to half a second past now + window.
int32_t MillisecondsUntilRule(int32_t rule, const SYSTEMTIME *now, int64_t first, int32_t window);
// A local time as seconds counted from a fixed day by the real calendar
// (always above 0): the unit of eventSecond.
int64_t EventSecondOf(const SYSTEMTIME *t);
// The sequence a rule plays, or -1 when the rule or its sequence lies outside
// the tables: such a rule is never followed.
int32_t RuleSequence(int32_t rule);
void SelectRuleForNow(const SYSTEMTIME *now);
int32_t CheckEventRules(const SYSTEMTIME *now, int32_t duration);
