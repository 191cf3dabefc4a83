#include "scene/Scene.h"

namespace {
const char* const kNoFrames[] = { "IDB_BITMAP_TOKOPI_000" };
}

const CharacterSequence characterSequences[kSequenceCount] = {
    { kNoFrames, 1 }, { kNoFrames, 1 }, { kNoFrames, 1 }, { kNoFrames, 1 }
};
SceneAssetsRecord SceneAssets;

void SceneInit(HWND window)
{
    GetClientRect(window, &SceneAssets.clientRect);
}

void SceneRelease(HWND) {}

LRESULT SceneEraseBackground(HWND window)
{
    HDC dc = GetDC(window);
    FillSolid(dc, RGB(0, 0, 0), SceneAssets.clientRect);
    ReleaseDC(window, dc);
    return 1;
}

void ResetSceneAssets()
{
    SceneAssets = SceneAssetsRecord();
}
