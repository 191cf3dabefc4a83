#include "scene/Scene.h"

ClockPanelRecord ClockPanel = { 1, 1 };
ClockSource ReadSceneClock = 0;

void ClockPanelStep(HWND) {}
void ResetClockPanel() { ClockPanel.clockX = 1; ClockPanel.clockDirection = 1; }
