// The closing rules of the saver window, run in this process by the saver's
// own RunSaverWindow on the NT family (Wine's own): which input, activation
// and power events post a close, how far the mouse may drift, how the cursor
// stays hidden, and how a preview or a granted close is left alone.
#include "host/ClosingSupport.h"

namespace {

using closing::RunSaver;
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

// A cursor no window class of the saver could set by itself.
HCURSOR Beam()
{
    return LoadCursorA(NULL, (LPCSTR)IDC_IBEAM);
}

// The input-method context of a window of this thread (NULL when detached).
bool HasInputContext(HWND window)
{
    typedef HIMC(WINAPI * GetContextProc)(HWND);
    typedef BOOL(WINAPI * ReleaseContextProc)(HWND, HIMC);
    HMODULE imm = LoadLibraryA("IMM32.DLL");
    GetContextProc get = (GetContextProc)GetProcAddress(imm, "ImmGetContext");
    ReleaseContextProc release = (ReleaseContextProc)GetProcAddress(imm, "ImmReleaseContext");
    HIMC context = get ? get(window) : NULL;
    if (context)
        release(window, context);
    return context != NULL;
}

// System commands that reach the default window procedure.
struct DefaultSeen {
    int switching;
} defaultSeen;
typedef LRESULT(WINAPI* DefWindowProcProc)(HWND, UINT, WPARAM, LPARAM);
DefWindowProcProc realDefWindowProc;
LRESULT WINAPI CountDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WPARAM command = wParam & 0xFFF0;
    if (message == WM_SYSCOMMAND && (command == SC_SCREENSAVE || command == SC_NEXTWINDOW || command == SC_PREVWINDOW))
        ++defaultSeen.switching;
    if (message == WM_SYSCOMMAND)
        return 0;   // the default's own answer is not what is looked at, nor its switching
    return realDefWindowProc(window, message, wParam, lParam);
}

// Another application's window in front: a window of a thread of its own
// (a plain system thread: std::thread is not there with every MinGW thread model).
class WindowInFront {
public:
    WindowInFront()
    {
        shown_ = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread_ = CreateThread(NULL, 0, Run, this, 0, &threadId_);
        WaitForSingleObject(shown_, INFINITE);
    }
    ~WindowInFront()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(shown_);
    }
    HWND window = NULL;

private:
    static DWORD WINAPI Run(void* self)
    {
        WindowInFront& front = *(WindowInFront*)self;
        front.window = test::CreateHostWindow(200, 150, "In Front");
        SetForegroundWindow(front.window);
        SetEvent(front.shown_);
        MSG message;
        while (GetMessageA(&message, NULL, 0, 0))
            DispatchMessageA(&message);
        DestroyWindow(front.window);
        return 0;
    }
    HANDLE shown_ = NULL;
    HANDLE thread_ = NULL;
    DWORD threadId_ = 0;
};

// The virtual screen the system reports: origin and size. Windows 95 and NT 4
// have no virtual-screen metrics and answer 0 for all four.
struct VirtualScreen {
    int x, y, width, height;
} virtualScreen;
typedef int(WINAPI* GetSystemMetricsProc)(int);
GetSystemMetricsProc realGetSystemMetrics;
int WINAPI VirtualScreenMetrics(int index)
{
    switch (index) {
    case SM_XVIRTUALSCREEN: return virtualScreen.x;
    case SM_YVIRTUALSCREEN: return virtualScreen.y;
    case SM_CXVIRTUALSCREEN: return virtualScreen.width;
    case SM_CYVIRTUALSCREEN: return virtualScreen.height;
    }
    return realGetSystemMetrics(index);
}

// A screen whose clip box does not start at (0, 0).
const RECT kScreenClipBox = { -50, 20, 600, 420 };
typedef int(WINAPI* GetClipBoxProc)(HDC, LPRECT);
GetClipBoxProc realGetClipBox;
int WINAPI ShiftedClipBox(HDC, LPRECT box)
{
    *box = kScreenClipBox;
    return SIMPLEREGION;
}

typedef BOOL(WINAPI* GetSystemPowerStatusProc)(LPSYSTEM_POWER_STATUS);
GetSystemPowerStatusProc realGetSystemPowerStatus;
BOOL WINAPI NoPowerStatus(LPSYSTEM_POWER_STATUS)
{
    return FALSE;
}

// Sends the three switching commands and one with flag bits in its low four
// bits, which is none of them; the count of those the default procedure saw.
int SwitchingCommandsPassedOn(SaverWindow& saver)
{
    closing::ImportCounter counter("USER32.dll", "DefWindowProcA", (void*)CountDefWindowProc,
                                   (void**)&realDefWindowProc);
    CHECK(counter.Installed());
    defaultSeen = DefaultSeen();
    for (WPARAM command : { SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE | 2 })
        CHECK(saver.Send(WM_SYSCOMMAND, command, 0) == 0);
    return defaultSeen.switching;
}

const LPARAM kSetCursorClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);

} // namespace

TEST_CASE("mouse movement closes once the cursor has drifted more than 4 pixels from the anchor")
{
    closing::ResetHost();
    CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
    int exitCode = RunSaver(NULL, [](SaverWindow& saver) {
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
    });
    CHECK(exitCode == 0);
}

TEST_CASE("key and button presses close; releases, double clicks and the wheel do not")
{
    closing::ResetHost();
    RunSaver(NULL, [](SaverWindow& saver) {
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
    });
}

TEST_CASE("the full-screen saver takes the foreground, hides the cursor, detaches the input method and keeps the system from switching away")
{
    closing::ResetHost();
    HWND plain = test::CreateHostWindow(200, 150, "Plain");
    CHECK(HasInputContext(plain));
    DestroyWindow(plain);
    WindowInFront other;
    REQUIRE(GetForegroundWindow() == other.window);
    SetCursor(Arrow());
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(GetForegroundWindow() == saver.window);
        CHECK(GetCursor() == NULL);
        SetCursor(Arrow());
        saver.Send(WM_PAINT);
        CHECK(GetCursor() == NULL);
        CHECK_FALSE(HasInputContext(saver.window));
        // No icon, a black background, a device context of its own, double clicks.
        CHECK(GetClassLongPtrA(saver.window, GCLP_HICON) == 0);
        CHECK(GetClassLongPtrA(saver.window, GCLP_HBRBACKGROUND) == (LONG_PTR)GetStockObject(BLACK_BRUSH));
        CHECK(GetClassLongA(saver.window, GCL_STYLE) == (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC));
        // Neither another saver nor the next window: the default sees only
        // the command that is none of them.
        CHECK(SwitchingCommandsPassedOn(saver) == 1);
        CHECK(IsWindow(saver.window));
    });

    // A monitor left of and above the primary one: the window spans the
    // virtual screen from its negative origin. Without virtual-screen metrics,
    // or with a size of 0, it covers the screen's clip box.
    closing::ImportCounter metrics("USER32.dll", "GetSystemMetrics", (void*)VirtualScreenMetrics,
                                   (void**)&realGetSystemMetrics);
    closing::ImportCounter clipBox("GDI32.dll", "GetClipBox", (void*)ShiftedClipBox, (void**)&realGetClipBox);
    REQUIRE(metrics.Installed());
    REQUIRE(clipBox.Installed());
    const VirtualScreen screens[] = { { -1280, -200, 2304, 968 }, { 0, 0, 0, 0 }, { -1280, -200, 2304, 0 } };
    for (const VirtualScreen& screen : screens) {
        CAPTURE(screen.height);
        virtualScreen = screen;
        RunSaver(NULL, [](SaverWindow& saver) {
            RECT placed, expected = kScreenClipBox;
            if (virtualScreen.height != 0)
                SetRect(&expected, virtualScreen.x, virtualScreen.y, virtualScreen.x + virtualScreen.width,
                        virtualScreen.y + virtualScreen.height);
            GetWindowRect(saver.window, &placed);
            CHECK(EqualRect(&placed, &expected));
        });
    }
}

TEST_CASE("switching to another application closes; the cursor stays hidden")
{
    closing::ResetHost();
    RunSaver(NULL, [](SaverWindow& saver) {
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
    });
}

TEST_CASE("power events close, except a resume after a failure and an unchanged AC line")
{
    closing::ResetHost();
    RunSaver(NULL, [](SaverWindow& saver) {
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

        // The AC line as the saver found it at the start: unchanged keeps the
        // saver; changed closes; the new status is kept.
        BYTE now = CurrentAcLineStatus();
        MESSAGE("AC line status reported here: " << (int)now);
        saver.Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        CHECK_FALSE(saver.TakeClose());
        SaverHostState.acLineStatus = now == 1 ? 0 : 1;
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
    });

    // A status that cannot be read counts as 255, at the start as at each event.
    closing::ImportCounter power("KERNEL32.dll", "GetSystemPowerStatus", (void*)NoPowerStatus,
                                 (void**)&realGetSystemPowerStatus);
    REQUIRE(power.Installed());
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(SaverHostState.acLineStatus == 255);
        saver.Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        CHECK_FALSE(saver.TakeClose());
    });
}

TEST_CASE("on the NT family a close is not verified and the verification request is not answered")
{
    closing::ResetHost();
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(saver.Send(WM_APP) == 0);
        CHECK(SaverHostState.autoPlayMessage == 0);
        saver.Send(WM_CLOSE);
        CHECK_FALSE(IsWindow(saver.window));
        CHECK(SaverHostState.closing == 0);
        CHECK(SaverHostState.lastCheckTick == 0xFFFFFFFF);
    });
}

TEST_CASE("a preview ignores input, activation, power and system commands, and leaves the cursor alone")
{
    closing::ResetHost();
    HWND host = test::CreateHostWindow(200, 150);
    REQUIRE(host != NULL);
    CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
    SetCursor(Beam());
    int exitCode = RunSaver(host, [](SaverWindow& preview) {
        CHECK(GetCursor() == Beam());
        CHECK(previewMode);
        RECT client;
        GetClientRect(preview.window, &client);
        CHECK(client.right == 200);
        CHECK(client.bottom == 150);
        // Its frames are the preview's own: the character alone.
        for (int wait = 0; wait < 50 && !PreviewAnimation.anchorSet; ++wait)
            preview.Settle(100);
        CHECK(PreviewAnimation.anchorSet);
        CHECK_FALSE(SceneAnimation.anchorSet);

        const UINT presses[] = { WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN };
        for (UINT message : presses)
            preview.Send(message, VK_SHIFT, 0);
        CHECK_FALSE(MoveCursorTo(preview, kAnchorX + 50, kAnchorY + 50));
        preview.Send(WM_ACTIVATEAPP, FALSE, 0);
        preview.Send(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
        preview.Send(WM_POWER, PWR_CRITICALRESUME, 0);
        CHECK_FALSE(preview.TakeClose());
        CHECK(SaverHostState.anchorCursorPos.x == kAnchorX);
        CHECK(SwitchingCommandsPassedOn(preview) == 4);

        // Whatever cursor the control panel shows stays.
        SetCursor(Beam());
        preview.Send(WM_SETCURSOR, (WPARAM)preview.window, kSetCursorClient);
        preview.Send(WM_PAINT);
        CHECK(GetCursor() == Beam());

        // A close still closes it.
        preview.Send(WM_CLOSE);
        CHECK_FALSE(IsWindow(preview.window));
    });
    CHECK(exitCode == 0);
    DestroyWindow(host);
}

TEST_CASE("once a close is granted only the default answers")
{
    closing::ResetHost();
    RunSaver(NULL, [](SaverWindow& saver) {
        SaverHostState.closing = 1;
        saver.Send(WM_ACTIVATEAPP, FALSE, 0);
        saver.Send(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
        saver.Send(WM_KEYDOWN, VK_SHIFT, 0);
        CHECK(test::PlaceCursor(kAnchorX + 100, kAnchorY + 100));
        saver.Send(WM_MOUSEMOVE);
        CHECK_FALSE(saver.TakeClose());

        SetCursor(Beam());
        saver.Send(WM_SETCURSOR, (WPARAM)saver.window, kSetCursorClient);
        CHECK(GetCursor() == Beam());
    });
}

TEST_CASE("the AutoPlay query closes in every state and asks to cancel AutoPlay only with a password")
{
    closing::ResetHost();
    closing::PasswordSetting setting;
    setting.SetNumber(0);
    SaverHostState.onWin9x = 1;
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(SaverHostState.autoPlayMessage == RegisterWindowMessageA("QueryCancelAutoPlay"));
        // Without a password the verification request grants the close.
        CHECK(saver.Send(WM_APP) == 1);
        // No password: a close, and AutoPlay may go on.
        CHECK(saver.Send(SaverHostState.autoPlayMessage) == 0);
        CHECK(saver.TakeClose());
        SaverHostState.closing = 1;
        CHECK(saver.Send(SaverHostState.autoPlayMessage) == 0);
        CHECK(saver.TakeClose());
    });
}
