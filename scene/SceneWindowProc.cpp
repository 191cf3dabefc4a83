#include "host/SaverHost.h"
#include "music/MidiPlayer.h"
#include "scene/Scene.h"
#include "settings/Settings.h"

BOOL previewMode = 0;

namespace {

const uint32_t kUnseededRandomState = 1;

bool MusicWanted()
{
    return SaverSettings.bgmOn == 1 && previewMode == 0;
}

// Creation: tell preview from full screen, read the settings, build the scene
// and start the music.
void OnSceneCreate(HWND window, MidiPlayer& player)
{
    HWND parent = GetParent(window);
    if (parent != NULL && IsWindow(parent))
        previewMode = 1;
    ReadSaverSettings();
    SceneInit(window);
    if (MusicWanted()) {
        player.notifyWindow = window;
        player.Start(SaverSettings.bgmTitle, TRUE);
    }
}

} // namespace

LRESULT CALLBACK SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Lives to the end of the process: nothing here stops the music.
    static MidiPlayer player;

    switch (message) {
    case WM_CREATE:
        OnSceneCreate(window, player);
        break;

    case WM_DESTROY:
        SceneRelease(window);
        break;

    // The scene paints its own black background; the default never sees it.
    case WM_ERASEBKGND:
        return SceneEraseBackground(window);

    // One frame per tick, whichever timer it is (the frame timer is the only one).
    case WM_TIMER:
        if (previewMode)
            ScenePreviewStep(window);
        else
            SceneFrameStep(window);
        break;

    // The music device has finished, or given up, playing.
    case MM_MCINOTIFY:
        if (MusicWanted())
            player.OnMciNotify(wParam, lParam);
        break;
    }
    return DefSaverWindowProc(window, message, wParam, lParam);
}

void ResetSceneState()
{
    previewMode = 0;
    ResetSceneAssets();
    ResetSavedBackgrounds();
    ResetSceneAnimation();
    ResetClockPanel();
    ResetPreviewAnimation();
    SeedSceneRandom(kUnseededRandomState);
}
