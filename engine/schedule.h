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
};
extern AnimationState animation;

uint32_t RandomInRange(uint32_t low, uint32_t high);
int RuleMatches(int32_t rule, const SYSTEMTIME *t);
int RuleMatchedSince(int32_t rule, const SYSTEMTIME *now, const SYSTEMTIME *since);
int32_t MillisecondsUntilRule(int32_t rule, const SYSTEMTIME *now, int32_t window);
// The sequence a rule plays, or -1 when the rule or its sequence lies outside
// the tables: such a rule is never followed.
int32_t RuleSequence(int32_t rule);
void SelectRuleForNow(const SYSTEMTIME *now);
int32_t CheckEventRules(const SYSTEMTIME *now, int32_t duration);
