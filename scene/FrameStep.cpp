#include "scene/Scene.h"

SceneAnimationRecord SceneAnimation;

void SceneFrameStep(HWND) {}
COLORREF RandomStarColour() { return 0; }
void DrawShadeBand(HDC) {}
void ResetSceneAnimation() { SceneAnimation = SceneAnimationRecord(); }
