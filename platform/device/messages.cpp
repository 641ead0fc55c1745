// The thread's message queue, its timers and the idle jump of the clock.
//
// Timers work as on the real system: each (window, id) has a period; when
// it falls due it puts one WM_TIMER in the queue and waits a full period
// from then for the next; while that message is still queued it puts no
// second one. KillTimer leaves a queued WM_TIMER where it is, which is why
// the program drains them itself.
//
// Fetching follows the system's priorities: posted messages first, then
// the quit message, and WM_TIMER only when neither waits. So a program that
// kills its timer and posts its quit sees no further tick, even when a
// WM_TIMER was already waiting.
//
// When a GetMessageW finds nothing to fetch, WaitForNextEvent moves the
// clock to the earliest timer or scripted action (actions first at the same
// millisecond) and lets it happen; past the run limit it ends the run.
#include "windowing.h"

#include <deque>

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    uint64_t due;
    TIMERPROC proc;
    bool queued;      // its WM_TIMER waits in the queue
    uint64_t serial;  // tells a queued WM_TIMER of this timer from one of a replaced timer
};

struct QueuedMessage {
    MSG msg;
    uint64_t timerSerial;  // 0 for posted messages
};

std::vector<Timer> timers;
std::deque<QueuedMessage> queue;
bool quitPosted;
int quitCode;
uint64_t runLimit;
uint64_t nextTimerSerial = 1;  // 0 marks posted messages, also before any DeviceReset
UINT_PTR nextThreadTimerId = 1;

bool InRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// A window filter takes the window itself and its descendants; -1 takes
// only messages for no window.
bool ForWindow(HWND target, HWND filter) {
    if (!filter) return true;
    if (filter == (HWND)(intptr_t)-1) return target == nullptr;
    for (HWND window = target; window; window = GetParent(window))
        if (window == filter) return true;
    return false;
}

Timer *FindTimer(HWND window, UINT_PTR id) {
    for (Timer &timer : timers)
        if (timer.window == window && timer.id == id) return &timer;
    return nullptr;
}

// Timers due now join the queue, except those due no earlier than a
// scripted action that is itself due: input at the same millisecond as a
// timer goes first, even when several actions share it.
void QueueDueTimers() {
    uint64_t now = DeviceNowElapsed();
    uint64_t actionAt = 0;
    bool actionDue = NextActionTime(&actionAt) && actionAt <= now;
    for (Timer &timer : timers) {
        if (timer.queued || timer.due > now || (actionDue && timer.due >= actionAt)) continue;
        queue.push_back({MakeMsg(timer.window, WM_TIMER, timer.id, (LPARAM)(uintptr_t)timer.proc),
                         timer.serial});
        timer.queued = true;
        timer.due = now + timer.period;
    }
}

void TakenFromQueue(const QueuedMessage &entry) {
    if (!entry.timerSerial) return;
    for (Timer &timer : timers)
        if (timer.serial == entry.timerSerial) timer.queued = false;
}

bool NextTimerDue(uint64_t *due) {
    bool found = false;
    for (const Timer &timer : timers)
        if (!timer.queued && (!found || timer.due < *due)) {
            *due = timer.due;
            found = true;
        }
    return found;
}

// The first queued entry that passes the filter and is (or is not) a timer's.
bool FindQueued(HWND window, UINT first, UINT last, bool timers, size_t *at) {
    for (size_t i = 0; i < queue.size(); ++i) {
        const MSG &queued = queue[i].msg;
        if ((queue[i].timerSerial != 0) == timers && InRange(queued.message, first, last) &&
            ForWindow(queued.hwnd, window)) {
            *at = i;
            return true;
        }
    }
    return false;
}

BOOL TakeQueued(LPMSG msg, size_t at, UINT remove) {
    if (msg) *msg = queue[at].msg;
    if (remove & PM_REMOVE) {
        TakenFromQueue(queue[at]);
        queue.erase(queue.begin() + (ptrdiff_t)at);
    }
    return TRUE;
}

[[noreturn]] void EndRun(uint64_t at) {
    AdvanceClockTo(at);
    throw DeviceRunEnded{DeviceNowElapsed()};
}

}  // namespace

void ResetMessages() {
    timers.clear();
    queue.clear();
    quitPosted = false;
    quitCode = 0;
    runLimit = 0;
    nextTimerSerial = 1;
    nextThreadTimerId = 1;
}

void DeviceSetRunLimit(uint64_t elapsedMs) { runLimit = elapsedMs; }

void ForgetWindowMessages(HWND handle) {
    for (size_t i = 0; i < timers.size();)
        if (timers[i].window == handle)
            timers.erase(timers.begin() + (ptrdiff_t)i);
        else
            ++i;
    for (size_t i = 0; i < queue.size();)
        if (queue[i].msg.hwnd == handle)
            queue.erase(queue.begin() + (ptrdiff_t)i);
        else
            ++i;
}

void WaitForNextEvent() {
    uint64_t timerDue = 0, actionAt = 0;
    bool haveTimer = NextTimerDue(&timerDue);
    bool haveAction = NextActionTime(&actionAt);
    if (!haveTimer && !haveAction) EndRun(runLimit ? runLimit : DeviceNowElapsed());
    bool actionFirst = haveAction && (!haveTimer || actionAt <= timerDue);
    uint64_t at = actionFirst ? actionAt : timerDue;
    if (at < DeviceNowElapsed()) at = DeviceNowElapsed();
    if (runLimit && at > runLimit) EndRun(runLimit);
    AdvanceClockTo(at);
    if (actionFirst) ApplyNextAction();
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    QueueDueTimers();
    size_t at = 0;
    if (FindQueued(window, first, last, false, &at)) return TakeQueued(msg, at, remove);
    if (quitPosted && InRange(WM_QUIT, first, last) && ForWindow(nullptr, window)) {
        if (msg) {
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = (WPARAM)(intptr_t)quitCode;
            msg->time = GetTickCount();
        }
        if (remove & PM_REMOVE) quitPosted = false;
        return TRUE;
    }
    if (FindQueued(window, first, last, true, &at)) return TakeQueued(msg, at, remove);
    return FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT first, UINT last) {
    MSG fetched;
    while (!PeekMessageW(&fetched, window, first, last, PM_REMOVE)) WaitForNextEvent();
    if (msg) *msg = fetched;
    return fetched.message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG *) { return TRUE; }

LRESULT DispatchMessageW(const MSG *msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        ((TIMERPROC)(uintptr_t)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    return DeliverMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !FindWindowRecord(window)) {
        DeviceSetLastError(1400);  // invalid window handle
        return FALSE;
    }
    queue.push_back({MakeMsg(window, message, wParam, lParam), 0});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

// Setting a timer that exists replaces it: a new period counted from now,
// and no WM_TIMER of the old one is waited for any more.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (window && !FindWindowRecord(window)) {
        DeviceSetLastError(1400);
        return 0;
    }
    if (!window) id = nextThreadTimerId++;
    if (elapse == 0) elapse = 1;  // the system's minimum period
    Timer timer = {window, id, elapse, DeviceNowElapsed() + elapse, proc, false, nextTimerSerial++};
    if (Timer *existing = FindTimer(window, id))
        *existing = timer;
    else
        timers.push_back(timer);
    return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    for (size_t i = 0; i < timers.size(); ++i)
        if (timers[i].window == window && timers[i].id == id) {
            timers.erase(timers.begin() + (ptrdiff_t)i);
            return TRUE;
        }
    return FALSE;
}
