// The closing rules of a saver window run in this process, on the NT family
// (Wine's own): which input, activation and power events post a close, how
// far the mouse may drift, how the cursor stays hidden, and how a preview or
// a granted close is left alone.
#include "host/ClosingSupport.h"

namespace {

using closing::SaverWindow;

const int kAnchorX = 400;
const int kAnchorY = 300;

// Moves the real cursor and tells the window that the mouse moved, with
// message coordinates that the rule must not use.
bool MoveCursorTo(SaverWindow& saver, int x, int y)
{
    CHECK(test::PlaceCursor(x, y));
    saver.Send(WM_MOUSEMOVE, 0, MAKELPARAM(1000, 1000));
    return saver.TakeClose();
}

void AnchorAt(int x, int y)
{
    CHECK(test::PlaceCursor(x, y));
    SaverHostState.anchorCursorPos.x = x;
    SaverHostState.anchorCursorPos.y = y;
}

BYTE CurrentAcLineStatus()
{
    SYSTEM_POWER_STATUS power;
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : 255;
}

HCURSOR Arrow()
{
    return LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
}

const LPARAM kSetCursorClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);

} // namespace

TEST_CASE("mouse movement closes once the cursor has drifted more than 4 pixels from the anchor")
{
    closing::ResetHost();
    CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
    SaverWindow saver;
    REQUIRE(saver.window != NULL);
    CHECK(SaverHostState.anchorCursorPos.x == kAnchorX);
    CHECK(SaverHostState.anchorCursorPos.y == kAnchorY);

    // (2, 2) away: a distance of 4 is tolerated, and the anchor stays.
    CHECK_FALSE(MoveCursorTo(saver, kAnchorX + 2, kAnchorY + 2));
    CHECK(SaverHostState.anchorCursorPos.x == kAnchorX);
    // (3, 2) away closes, and the anchor follows the cursor.
    CHECK(MoveCursorTo(saver, kAnchorX + 3, kAnchorY + 2));
    CHECK(SaverHostState.anchorCursorPos.x == kAnchorX + 3);
    CHECK(SaverHostState.anchorCursorPos.y == kAnchorY + 2);
    // Leftward and upward count the same.
    AnchorAt(kAnchorX, kAnchorY);
    CHECK(MoveCursorTo(saver, kAnchorX - 1, kAnchorY - 4));

    // Small moves add up: four single pixels do not close, the fifth does.
    AnchorAt(kAnchorX, kAnchorY);
    for (int step = 1; step <= 4; ++step)
        CHECK_FALSE(MoveCursorTo(saver, kAnchorX + step, kAnchorY));
    CHECK(MoveCursorTo(saver, kAnchorX + 5, kAnchorY));

    // Only the cursor counts, never the message's own coordinates.
    AnchorAt(kAnchorX, kAnchorY);
    saver.Send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
    saver.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(900, 700));
    CHECK_FALSE(saver.TakeClose());
    // Real motion events from the display that arrive meanwhile change nothing.
    CHECK(saver.Settle() == 0);
    CHECK(IsWindow(saver.window));
}

TEST_CASE("key and button presses close; releases, double clicks and the wheel do not")
{
    closing::ResetHost();
    SaverWindow saver;
    REQUIRE(saver.window != NULL);

    const UINT presses[] = { WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN };
    for (UINT message : presses) {
        CAPTURE(message);
        saver.Send(message, VK_SHIFT, 0);
        CHECK(saver.TakeClose());
    }
    const UINT others[] = { WM_KEYUP, WM_SYSKEYUP, WM_CHAR, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP,
                            WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_MOUSEWHEEL, WM_NULL };
    for (UINT message : others) {
        CAPTURE(message);
        saver.Send(message, VK_SHIFT, 0);
        CHECK_FALSE(saver.TakeClose());
    }
    CHECK(IsWindow(saver.window));
}

TEST_CASE("switching to another application closes; the cursor stays hidden")
{
    closing::ResetHost();
    SaverWindow saver;
    REQUIRE(saver.window != NULL);

    saver.Send(WM_ACTIVATEAPP, TRUE, 0);
    CHECK_FALSE(saver.TakeClose());
    saver.Send(WM_ACTIVATEAPP, FALSE, 0);
    CHECK(saver.TakeClose());

    SetCursor(Arrow());
    CHECK(saver.Send(WM_SETCURSOR, (WPARAM)saver.window, kSetCursorClient) == 1);
    CHECK(GetCursor() == NULL);

    SetCursor(Arrow());
    saver.Send(WM_SHOWWINDOW, FALSE, 0);
    CHECK(GetCursor() == Arrow());
    saver.Send(WM_SHOWWINDOW, TRUE, 0);
    CHECK(GetCursor() == NULL);
    CHECK_FALSE(saver.TakeClose());
}

TEST_CASE("power events close, except a resume after a failure and an unchanged AC line")
{
    closing::ResetHost();
    SaverWindow saver;
    REQUIRE(saver.window != NULL);

    const WPARAM resumes[] = { PBT_APMRESUMECRITICAL, PBT_APMRESUMESUSPEND, PBT_APMRESUMESTANDBY,
                               PBT_APMRESUMEAUTOMATIC };
    for (WPARAM event = 0; event <= 25; ++event) {
        if (event == PBT_APMPOWERSTATUSCHANGE)
            continue;
        CAPTURE(event);
        bool resume = false;
        for (WPARAM r : resumes)
            resume = resume || r == event;
        saver.Send(WM_POWERBROADCAST, event, 0);
        CHECK(saver.TakeClose());
        saver.Send(WM_POWERBROADCAST, event, PBTF_APMRESUMEFROMFAILURE);
        CHECK(saver.TakeClose() == !resume);
        // Other bits of the flags do not keep a resume from closing.
        saver.Send(WM_POWERBROADCAST, event, 2);
        CHECK(saver.TakeClose());
    }

    // A query to suspend closes and still gets the default answer.
    LRESULT expected = DefWindowProcA(saver.window, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
    CHECK(saver.Send(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0) == expected);
    CHECK(saver.TakeClose());

    // The AC line: unchanged keeps the saver, changed closes; the new status is kept.
    BYTE now = CurrentAcLineStatus();
    MESSAGE("AC line status reported here: " << (int)now);
    SaverHostState.acLineStatus = now;
    saver.Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    CHECK_FALSE(saver.TakeClose());
    CHECK(SaverHostState.acLineStatus == now);
    SaverHostState.acLineStatus = now == 255 ? 1 : 255;
    saver.Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    CHECK(saver.TakeClose());
    CHECK(SaverHostState.acLineStatus == now);
    saver.Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    CHECK_FALSE(saver.TakeClose());

    // The older power message closes only on a critical resume.
    saver.Send(WM_POWER, PWR_SUSPENDREQUEST, 0);
    saver.Send(WM_POWER, PWR_SUSPENDRESUME, 0);
    CHECK_FALSE(saver.TakeClose());
    saver.Send(WM_POWER, PWR_CRITICALRESUME, 0);
    CHECK(saver.TakeClose());
}

TEST_CASE("on the NT family a close is not verified and the verification request is not answered")
{
    closing::ResetHost();
    SaverWindow saver;
    REQUIRE(saver.window != NULL);

    CHECK(saver.Send(WM_APP) == 0);
    CHECK(SaverHostState.autoPlayMessage == 0);
    saver.Send(WM_CLOSE);
    CHECK_FALSE(IsWindow(saver.window));
    CHECK(SaverHostState.closing == 0);
    CHECK(SaverHostState.lastCheckTick == 0xFFFFFFFF);
}

TEST_CASE("a preview ignores input, activation and power, and leaves the cursor to the default")
{
    closing::ResetHost();
    HWND host = test::CreateHostWindow(200, 150);
    REQUIRE(host != NULL);
    {
        CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
        SaverWindow preview(host);
        REQUIRE(preview.window != NULL);
        REQUIRE(SaverHostState.isPreview);

        const UINT presses[] = { WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN };
        for (UINT message : presses)
            preview.Send(message, VK_SHIFT, 0);
        CHECK_FALSE(MoveCursorTo(preview, kAnchorX + 50, kAnchorY + 50));
        preview.Send(WM_ACTIVATEAPP, FALSE, 0);
        preview.Send(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
        preview.Send(WM_POWER, PWR_CRITICALRESUME, 0);
        CHECK_FALSE(preview.TakeClose());
        CHECK(SaverHostState.anchorCursorPos.x == kAnchorX);

        SetCursor(Arrow());
        LRESULT expected = DefWindowProcA(preview.window, WM_SETCURSOR, (WPARAM)preview.window, kSetCursorClient);
        SetCursor(Arrow());
        CHECK(preview.Send(WM_SETCURSOR, (WPARAM)preview.window, kSetCursorClient) == expected);
        CHECK(GetCursor() == Arrow());

        // A close still closes it.
        preview.Send(WM_CLOSE);
        CHECK_FALSE(IsWindow(preview.window));
    }
    DestroyWindow(host);
}

TEST_CASE("once a close is granted only the default answers")
{
    closing::ResetHost();
    SaverWindow saver;
    REQUIRE(saver.window != NULL);
    SaverHostState.closing = 1;

    saver.Send(WM_ACTIVATEAPP, FALSE, 0);
    saver.Send(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
    saver.Send(WM_KEYDOWN, VK_SHIFT, 0);
    CHECK(test::PlaceCursor(kAnchorX + 100, kAnchorY + 100));
    saver.Send(WM_MOUSEMOVE);
    CHECK_FALSE(saver.TakeClose());

    SetCursor(Arrow());
    LRESULT expected = DefWindowProcA(saver.window, WM_SETCURSOR, (WPARAM)saver.window, kSetCursorClient);
    SetCursor(Arrow());
    CHECK(saver.Send(WM_SETCURSOR, (WPARAM)saver.window, kSetCursorClient) == expected);
    CHECK(GetCursor() == Arrow());
}

TEST_CASE("the AutoPlay query closes in every state and asks to cancel AutoPlay only with a password")
{
    closing::ResetHost();
    SaverHostState.onWin9x = 1;
    SaverHostState.autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    REQUIRE(SaverHostState.autoPlayMessage != 0);
    SaverWindow saver;
    REQUIRE(saver.window != NULL);

    // No password library: a close, and AutoPlay may go on.
    CHECK(saver.Send(SaverHostState.autoPlayMessage) == 0);
    CHECK(saver.TakeClose());
    SaverHostState.closing = 1;
    CHECK(saver.Send(SaverHostState.autoPlayMessage) == 0);
    CHECK(saver.TakeClose());
}
