#include "scene/Scene.h"

PreviewAnimationRecord PreviewAnimation;

void ScenePreviewStep(HWND) {}
void ResetPreviewAnimation() { PreviewAnimation = PreviewAnimationRecord(); }
