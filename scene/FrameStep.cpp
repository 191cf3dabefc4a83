#include "scene/Scene.h"
#include "scene/SceneMath.h"
#include "settings/Settings.h"

namespace {

constexpr SceneAnimationRecord InitialSceneAnimation()
{
    SceneAnimationRecord record = {};
    record.moonY = kMoonStartY;
    return record;
}

const int kBandFirstSubBand = 1;
const int kBandFirstThickness = 1;
const int kBandThicknessGrowth = 2;
const int kPenWidth = 0;

// Width and height of the character frame about to be shown; the group's size
// record stands in when that frame failed to load.
SIZE CharacterFrameSize(HBITMAP frameBitmap)
{
    BITMAP info;
    if (frameBitmap == NULL || GetObjectA(frameBitmap, sizeof(info), &info) == 0)
        info = SceneAssets.characterInfo;
    SIZE size = { info.bmWidth, info.bmHeight };
    return size;
}

int ClientWidth()
{
    return SceneAssets.clientRect.right - SceneAssets.clientRect.left;
}

int ClientHeight()
{
    return SceneAssets.clientRect.bottom - SceneAssets.clientRect.top;
}

void AdvanceCharacter()
{
    bool ended = false;
    const CharacterSequence& current = characterSequences[SceneAnimation.sequence];
    int next = NextSequenceFrame(SceneAnimation.frame, current.frameCount, &ended);
    if (ended)
        SceneAnimation.sequence = SequenceFromDraw(DrawSceneRandom());
    SceneAnimation.frame = next;
}

// Column first, then the colour: the order of draws is part of the scene.
void AdvanceStar()
{
    bool restarted = false;
    int next = NextStarFrame(SceneAnimation.starFrame, &restarted);
    if (restarted) {
        SceneAnimation.starX = StarColumn(DrawSceneRandom(), ClientWidth());
        SceneAnimation.starColour = RandomStarColour();
    }
    SceneAnimation.starFrame = next;
}

void FixCharacterAnchor()
{
    SIZE size = CharacterFrameSize(
        SceneAssets.characterFrames[SceneAnimation.sequence][SceneAnimation.frame]);
    SceneAnimation.anchorX = CentredAnchor(ClientWidth(), size.cx);
    SceneAnimation.anchorY = CentredAnchor(ClientHeight(), size.cy) + kCharacterDrop;
    SceneAnimation.anchorSet = true;
}

void DrawCharacter(HWND window)
{
    HDC dc = GetDC(window);
    BlitCharacter(SceneAnimation.anchorX, SceneAnimation.anchorY, dc,
                  SceneAssets.characterFrames[SceneAnimation.sequence][SceneAnimation.frame],
                  SceneAssets.characterInfo, kCharacterKey,
                  SceneAnimation.anchorX, SceneAnimation.anchorY);
    ReleaseDC(window, dc);
}

void DrawStar(HWND window, POINT previous)
{
    HDC dc = GetDC(window);
    BlitTintedStar(SceneAnimation.starX, SceneAnimation.starY, dc,
                   SceneAssets.starBitmaps[SceneAnimation.starFrame], SceneAssets.starInfo,
                   SceneAnimation.starColour, kStarKey, previous.x, previous.y);
    ReleaseDC(window, dc);
}

void DrawMoon(HWND window, int previousX)
{
    HDC dc = GetDC(window);
    BlitMoon(SceneAnimation.moonX, SceneAnimation.moonY, dc, SceneAssets.moonBitmap,
             SceneAssets.moonInfo, kMoonKey, previousX, SceneAnimation.moonY);
    ReleaseDC(window, dc);
}

void DrawBandLines(HDC dc, COLORREF colour, int lineCount, int* y)
{
    HPEN pen = CreatePen(PS_SOLID, kPenWidth, colour);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    for (int line = 0; line < lineCount; ++line) {
        MoveToEx(dc, SceneAssets.clientRect.left, *y, NULL);
        LineTo(dc, SceneAssets.clientRect.right, *y);
        ++*y;
    }
    SelectObject(dc, previousPen);
    DeleteObject(pen);
}

} // namespace

SceneAnimationRecord SceneAnimation = InitialSceneAnimation();

COLORREF RandomStarColour()
{
    int blue = DrawSceneRandom();
    int green = DrawSceneRandom();
    int red = DrawSceneRandom();
    return (COLORREF)StarColourFromDraws(blue, green, red);
}

// Sub-bands of doubling thickness; the bound is tested only between them, so
// the last one runs past it (always 90 lines ending 11 rows above the character).
void DrawShadeBand(HDC dc)
{
    int y = SceneAnimation.anchorY - kBandTopOffset;
    int subBand = kBandFirstSubBand;
    int thickness = kBandFirstThickness;
    do {
        int level = ShadeBandLevel(subBand, SceneAnimation.bandPhase);
        DrawBandLines(dc, RGB(0, 0, level), ShadeBandLineCount(thickness), &y);
        ++subBand;
        thickness *= kBandThicknessGrowth;
    } while (y <= SceneAnimation.anchorY - kBandContinueOffset);
}

void SceneFrameStep(HWND window)
{
    if (!SceneAnimation.starColourSet) {
        SceneAnimation.starColour = RandomStarColour();
        SceneAnimation.starColourSet = true;
    }

    AdvanceCharacter();

    POINT previousStar = { SceneAnimation.starX, SceneAnimation.starY };
    AdvanceStar();

    int previousMoonX = SceneAnimation.moonX;
    SceneAnimation.moonX = NextMoonX(SceneAnimation.moonX, SceneAssets.clientRect.right);

    if (!SceneAnimation.anchorSet)
        FixCharacterAnchor();

    DrawCharacter(window);
    DrawStar(window, previousStar);
    DrawMoon(window, previousMoonX);

    if (SaverSettings.clockShown == 1)
        ClockPanelStep(window);

    HDC dc = GetDC(window);
    DrawShadeBand(dc);
    ReleaseDC(window, dc);

    SceneAnimation.bandPhase = NextBandPhase(SceneAnimation.bandPhase);
}

void ResetSceneAnimation()
{
    SceneAnimation = InitialSceneAnimation();
}
