#include "scene/Scene.h"
#include "scene/SceneMath.h"

PreviewAnimationRecord PreviewAnimation = {};

namespace {

// Same rule as the full-screen character; the sequence draw is the preview's
// only use of the random generator.
void AdvancePreviewCharacter()
{
    bool ended = false;
    const CharacterSequence& current = characterSequences[PreviewAnimation.sequence];
    int next = NextSequenceFrame(PreviewAnimation.frame, current.frameCount, &ended);
    if (ended)
        PreviewAnimation.sequence = SequenceFromDraw(DrawSceneRandom());
    PreviewAnimation.frame = next;
}

// The plain centre of the small window: no drop below it as in full screen.
void FixPreviewAnchor(HBITMAP frameBitmap)
{
    BITMAP info;
    if (frameBitmap == NULL || GetObjectA(frameBitmap, sizeof(info), &info) == 0)
        info = SceneAssets.characterInfo;
    const RECT& client = SceneAssets.clientRect;
    PreviewAnimation.anchorX = CentredAnchor(client.right - client.left, info.bmWidth);
    PreviewAnimation.anchorY = CentredAnchor(client.bottom - client.top, info.bmHeight);
    PreviewAnimation.anchorSet = true;
}

} // namespace

void ScenePreviewStep(HWND window)
{
    AdvancePreviewCharacter();
    HBITMAP frameBitmap =
        SceneAssets.characterFrames[PreviewAnimation.sequence][PreviewAnimation.frame];
    if (!PreviewAnimation.anchorSet)
        FixPreviewAnchor(frameBitmap);

    HDC dc = GetDC(window);
    BlitCharacter(PreviewAnimation.anchorX, PreviewAnimation.anchorY, dc, frameBitmap,
                  SceneAssets.characterInfo, kCharacterKey, PreviewAnimation.anchorX,
                  PreviewAnimation.anchorY);
    ReleaseDC(window, dc);
}

void ResetPreviewAnimation()
{
    PreviewAnimation = PreviewAnimationRecord();
}
