// The preview step in a child window: the character alone at the plain centre,
// the sequence draw as the only random draw.
#include <doctest/doctest.h>

#include "SceneTestSupport.h"

using namespace scenetest;

namespace {
const COLORREF kBlack = RGB(0, 0, 0);
}

TEST_CASE("on 152x112 the character's corner is (56, 36) and nothing else is drawn")
{
    SceneRun run(152, 112, 1, 1, 1, true);
    ScenePreviewStep(run.window);
    CHECK(PreviewAnimation.anchorX == 56);
    CHECK(PreviewAnimation.anchorY == 36);
    CHECK(PreviewAnimation.sequence == 0);
    CHECK(PreviewAnimation.frame == 1);
    CHECK(SpriteMismatches(run.window, 56, 36, "IDB_BITMAP_TOKOPI_102", kCharacterKey, kBlack) == 0);
    // No star, moon, band or clock: all around the character cell stays black.
    CHECK(AllPixels(run.window, 0, 0, 152, 36, kBlack));
    CHECK(AllPixels(run.window, 0, 76, 152, 36, kBlack));
    CHECK(AllPixels(run.window, 0, 36, 56, 40, kBlack));
    CHECK(AllPixels(run.window, 96, 36, 56, 40, kBlack));
    // The full-screen records are left alone.
    CHECK(SceneAnimation.moonX == 0);
    CHECK(SceneAnimation.bandPhase == 0);
    CHECK(ClockPanel.clockX == 1);
}

TEST_CASE("the sequence draw is the preview's only random draw")
{
    SceneRun run(152, 112, 0, 1, 1, true);
    ReferenceRandom reference = { 1 };
    // Sequence 0 plays frames 1-4 without drawing.
    for (int tick = 0; tick < 4; ++tick)
        ScenePreviewStep(run.window);
    CHECK(SceneRandomState() == reference.state);
    // Tick 5 ends it: one draw, 41, picks sequence 1 at its resting frame.
    ScenePreviewStep(run.window);
    CHECK(reference.Draw() == 41);
    CHECK(SceneRandomState() == reference.state);
    CHECK(PreviewAnimation.sequence == 1);
    CHECK(PreviewAnimation.frame == 0);
    CHECK(SpriteMismatches(run.window, 56, 36, "IDB_BITMAP_TOKOPI_000", kCharacterKey, kBlack) == 0);
    // Sequence 1 has 21 frames: the next draw comes 21 ticks later.
    for (int frame = 1; frame <= 20; ++frame) {
        ScenePreviewStep(run.window);
        CHECK(SpriteMismatches(run.window, 56, 36, SequenceFrameArt(1, frame).c_str(), kCharacterKey,
                               kBlack) == 0);
    }
    CHECK(PreviewAnimation.frame == 20);
    CHECK(SceneRandomState() == reference.state);
    ScenePreviewStep(run.window);
    reference.Draw();
    CHECK(SceneRandomState() == reference.state);
    CHECK(PreviewAnimation.frame == 0);
}

TEST_CASE("a 40x40 preview puts the character at (0, 0); a smaller one draws nothing")
{
    {
        SceneRun run(40, 40, 0, 1, 1, true);
        ScenePreviewStep(run.window);
        CHECK(PreviewAnimation.anchorX == 0);
        CHECK(PreviewAnimation.anchorY == 0);
        CHECK(SpriteMismatches(run.window, 0, 0, "IDB_BITMAP_TOKOPI_102", kCharacterKey, kBlack) == 0);
    }
    {
        SceneRun run(39, 30, 0, 1, 1, true);
        for (int tick = 0; tick < 3; ++tick)
            ScenePreviewStep(run.window);
        CHECK(PreviewAnimation.anchorX == -1);
        CHECK(PreviewAnimation.anchorY == -5);
        CHECK(AllPixels(run.window, 0, 0, 39, 30, kBlack));
    }
}
