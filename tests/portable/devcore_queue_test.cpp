// The order in which the thread's queue hands out messages, held alike to
// the real platform and to the simulated device: posted messages first, then
// the quit, and a due WM_TIMER only when neither waits.
#include "platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string dispatched;

LRESULT CALLBACK QueueProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER || message >= WM_USER)
        dispatched += std::to_string(message) + " ";
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageQueue, PostedMessagesAndQuitComeBeforeADueTimer)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = QueueProc;
    wc.lpszClassName = WSTR("QueueOrder");
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, WSTR("QueueOrder"), WSTR(""), 0, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetTimer(window, 900, 10, nullptr);
    Sleep(50);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "the timer is due";
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostQuitMessage(4);
    while (GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    EXPECT_EQ(dispatched, "1024 1025 ") << "no WM_TIMER (275) before the quit";
    EXPECT_EQ(msg.wParam, 4u);
    KillTimer(window, 900);
    DestroyWindow(window);
}

} // namespace
