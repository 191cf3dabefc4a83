#include "host/SaverHost.h"

// The host's default window procedure: the rules that end the full-screen
// saver on user activity, and the routing of a close through the password
// check on the 9x family. What it does not answer goes to DefWindowProcA.

namespace {

const UINT kVerifyRequest = WM_APP;
const BYTE kNoAcLineStatus = 255;
const LPARAM kResumeFromFailure = PBTF_APMRESUMEFROMFAILURE;

// The close is queued and comes back through the whole chain.
void PostClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

BYTE CurrentAcLineStatus()
{
    SYSTEM_POWER_STATUS power;
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : kNoAcLineStatus;
}

// Horizontal plus vertical distance, in unsigned arithmetic so that no pair
// of screen positions can overflow.
DWORD CursorDistance(POINT from, POINT to)
{
    DWORD dx = to.x >= from.x ? (DWORD)to.x - (DWORD)from.x : (DWORD)from.x - (DWORD)to.x;
    DWORD dy = to.y >= from.y ? (DWORD)to.y - (DWORD)from.y : (DWORD)from.y - (DWORD)to.y;
    return dx + dy;
}

// Small moves add up: the anchor only follows the cursor once it has drifted
// past the threshold.
void OnMouseMove(HWND window)
{
    SaverHostRecord& host = SaverHostState;
    POINT cursor;
    GetCursorPos(&cursor);
    if (CursorDistance(host.anchorCursorPos, cursor) > host.moveThreshold) {
        PostClose(window);
        host.anchorCursorPos = cursor;
    }
}

bool IsResumeEvent(WPARAM event)
{
    return event == PBT_APMRESUMECRITICAL || event == PBT_APMRESUMESUSPEND ||
           event == PBT_APMRESUMESTANDBY || event == PBT_APMRESUMEAUTOMATIC;
}

// Every power event closes, except a resume that follows a failure and a
// status change that leaves the AC line as it was.
void OnPowerBroadcast(HWND window, WPARAM event, LPARAM data)
{
    SaverHostRecord& host = SaverHostState;
    if (IsResumeEvent(event)) {
        if (!(data & kResumeFromFailure))
            PostClose(window);
    } else if (event == PBT_APMPOWERSTATUSCHANGE) {
        BYTE status = CurrentAcLineStatus();
        if (status != host.acLineStatus)
            PostClose(window);
        host.acLineStatus = status;
    } else {
        PostClose(window);
    }
}

// The watching rules. Returns true when the message is answered here, with
// the answer in *result; false sends it on to the default.
bool ApplyWatchingRule(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostClose(window);
        break;

    case WM_MOUSEMOVE:
        OnMouseMove(window);
        break;

    // Another application is being activated.
    case WM_ACTIVATEAPP:
        if (wParam == 0)
            PostClose(window);
        break;

    case WM_SHOWWINDOW:
        if (wParam != 0)
            SetCursor(NULL);
        break;

    case WM_SETCURSOR:
        SetCursor(NULL);
        *result = TRUE;
        return true;

    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME)
            PostClose(window);
        break;

    case WM_POWERBROADCAST:
        OnPowerBroadcast(window, wParam, lParam);
        break;
    }
    return false;
}

// In every state: the shell's AutoPlay query closes the saver, and asks the
// shell to cancel AutoPlay only while a password protects the saver.
LRESULT DefaultAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const SaverHostRecord& host = SaverHostState;
    if (host.autoPlayMessage != 0 && message == host.autoPlayMessage) {
        PostClose(window);
        return host.verifyPassword != NULL ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK DefSaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SaverHostRecord& host = SaverHostState;
    // A preview, and a saver whose close is granted, get only the default.
    if (host.isPreview || host.closing)
        return DefaultAnswer(window, message, wParam, lParam);

    switch (message) {
    case WM_CLOSE:
        if (host.onWin9x && !VerifyBeforeClose(window)) {
            // Refused: keep running and measure movement from here.
            GetCursorPos(&host.anchorCursorPos);
            return 0;
        }
        break;

    // The verification request, sent through the whole chain by VerifyBeforeClose.
    case kVerifyRequest:
        if (host.onWin9x)
            return host.verifyPassword != NULL ? (LRESULT)host.verifyPassword(window) : 1;
        break;

    default:
        // While the password library runs, the cursor and the input are its own.
        if (!host.checkingPassword) {
            LRESULT result;
            if (ApplyWatchingRule(window, message, wParam, lParam, &result))
                return result;
        }
        break;
    }
    return DefaultAnswer(window, message, wParam, lParam);
}
