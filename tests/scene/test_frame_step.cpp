// The full-screen frame step on a real 1024x768 window: the first ticks with a
// known seed (record, random draws and pixels), the shade band as drawn, the
// layout, the moon's wrap and degenerate windows.
#include <doctest/doctest.h>

#include "SceneTestSupport.h"
#include "scene/SceneMath.h"
#include "support/GdiCount.h"

#include <set>
#include <utility>

using namespace scenetest;

namespace {

const int kWidth = 1024;
const int kHeight = 768;
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kUnderStar = RGB(0, 90, 0);

struct TickRow {
    int sequence, frame;
    const char* characterArt;
    int starFrame, starX;
    const char* starArt;
    COLORREF starColour;
    int moonX;
    int drawsInTick;
};

// Seed 1 gives the draws 41, 18467, 6334 | 26500, 19169, 15724, 11478 | 29358 |
// 26962, 24464, 5705, 28145: first colour, column 900 and a colour, sequence 2,
// column 338 and a colour.
const TickRow kFirstSixTicks[] = {
    { 0, 1, "IDB_BITMAP_TOKOPI_102", 1, 0, "IDB_BITMAP_STAR_01", RGB(190, 163, 169), 1, 3 },
    { 0, 2, "IDB_BITMAP_TOKOPI_103", 2, 0, "IDB_BITMAP_STAR_02", RGB(190, 163, 169), 2, 0 },
    { 0, 3, "IDB_BITMAP_TOKOPI_104", 0, 900, "IDB_BITMAP_STAR_00", RGB(214, 236, 225), 3, 4 },
    { 0, 4, "IDB_BITMAP_TOKOPI_000", 1, 900, "IDB_BITMAP_STAR_01", RGB(214, 236, 225), 4, 0 },
    { 2, 0, "IDB_BITMAP_TOKOPI_000", 2, 900, "IDB_BITMAP_STAR_02", RGB(214, 236, 225), 5, 1 },
    { 2, 1, "IDB_BITMAP_TOKOPI_302", 0, 338, "IDB_BITMAP_STAR_00", RGB(241, 201, 144), 6, 4 },
};

const int kAnchorX = 492;
const int kAnchorY = 414;

} // namespace

TEST_CASE("the first six ticks with seed 1: record, draws and what the window shows")
{
    SceneRun run(kWidth, kHeight);
    ReferenceRandom reference = { 1 };

    for (int tick = 0; tick < 6; ++tick) {
        const TickRow& row = kFirstSixTicks[tick];
        CAPTURE(tick + 1);
        // Something lies where the star lands on tick 3: it shows through the
        // star's clear pixels and comes back when the star moves on.
        if (tick + 1 == 3) {
            HDC dc = GetDC(run.window);
            FillSolid(dc, kUnderStar, RECT{ 900, 0, 940, 40 });
            ReleaseDC(run.window, dc);
        }
        SceneFrameStep(run.window);

        CHECK(SceneAnimation.sequence == row.sequence);
        CHECK(SceneAnimation.frame == row.frame);
        CHECK(SceneAnimation.starFrame == row.starFrame);
        CHECK(SceneAnimation.starX == row.starX);
        CHECK(SceneAnimation.starY == 0);
        CHECK(SceneAnimation.starColour == row.starColour);
        CHECK(SceneAnimation.moonX == row.moonX);
        CHECK(SceneAnimation.moonY == 50);
        CHECK(SceneAnimation.bandPhase == tick + 1);   // phase `tick` was drawn
        CHECK(SceneAnimation.anchorX == kAnchorX);
        CHECK(SceneAnimation.anchorY == kAnchorY);

        for (int draw = 0; draw < row.drawsInTick; ++draw)
            reference.Draw();
        CHECK(SceneRandomState() == reference.state);

        CHECK(SpriteMismatches(run.window, kAnchorX, kAnchorY, row.characterArt, kCharacterKey,
                               kBlack) == 0);
        CHECK(SpriteMismatches(run.window, row.starX, 0, row.starArt, kStarKey,
                               row.starX == 900 ? kUnderStar : kBlack, true, row.starColour) == 0);
        CHECK(SpriteMismatches(run.window, row.moonX, 50, "IDB_BITMAP_MOON", kMoonKey, kBlack) == 0);
        // The moon leaves nothing behind in the column it has just left.
        CHECK(AllPixels(run.window, row.moonX - 1, 50, 1, 64, kBlack));
        if (tick + 1 == 3 || tick + 1 == 6) {
            // The star's old place is wiped when it jumps.
            int oldX = kFirstSixTicks[tick - 1].starX;
            CHECK(AllPixels(run.window, oldX, 0, 40, 40, oldX == 900 ? kUnderStar : kBlack));
        }
    }
}

TEST_CASE("every frame of the four sequences shows its own picture; 300 ticks leave no GDI object")
{
    // The clock is shown so that its erase is counted too.
    SceneRun run(kWidth, kHeight, 1);
    SceneFrameStep(run.window);
    size_t objectsBefore = test::LiveGdiObjects();
    std::set<std::pair<int, int>> shown = { { 0, 1 } };
    int previousSequence = 0, previousFrame = 1;
    // Seed 1 plays sequence 2 from tick 5, 1 from tick 8 (23281), then 3 and 0:
    // all 34 places by tick 44. The resting frame shows twice at each change.
    for (int tick = 2; tick <= 300; ++tick) {
        SceneFrameStep(run.window);
        if (tick > 44)
            continue;
        CAPTURE(tick);
        int sequence = SceneAnimation.sequence, frame = SceneAnimation.frame;
        // One frame on, or frame 0 of a drawn sequence after the last one.
        bool ended = previousFrame + 1 == characterSequences[previousSequence].frameCount;
        CHECK(frame == (ended ? 0 : previousFrame + 1));
        CHECK((ended || sequence == previousSequence));
        previousSequence = sequence;
        previousFrame = frame;
        shown.insert({ sequence, frame });
        CHECK(SpriteMismatches(run.window, kAnchorX, kAnchorY, SequenceFrameArt(sequence, frame).c_str(),
                               kCharacterKey, kBlack) == 0);
        if (tick == 7)
            CHECK((sequence == 2 && frame == 2));
        if (tick == 8)
            CHECK((sequence == 1 && frame == 0));
    }
    CHECK(shown.size() == 34u);
    CHECK(test::LiveGdiObjects() == objectsBefore);
}

namespace {
// Blue levels a window shows down one column, from row `top` for `rows` rows.
std::vector<int> ColumnLevels(HWND window, int x, int top, int rows)
{
    Pixels column = ReadWindowPixels(window, x, top, 1, rows);
    std::vector<int> levels;
    for (COLORREF value : column.values)
        levels.push_back(GetRValue(value) == 0 && GetGValue(value) == 0 ? GetBValue(value) : -1);
    return levels;
}

// The 90 rows of the band for a row of twelve sub-band levels.
std::vector<int> BandRows(const int (&levels)[12])
{
    const int lines[12] = { 1, 1, 1, 1, 1, 1, 2, 3, 6, 11, 21, 41 };
    std::vector<int> rows;
    for (int k = 0; k < 12; ++k)
        rows.insert(rows.end(), lines[k], levels[k]);
    return rows;
}
} // namespace

TEST_CASE("the band's shades read back from the window for phases 0, 1, 10, 15, 16 and 19")
{
    SceneRun run(kWidth, kHeight);
    const int top = kAnchorY - 100;
    int tick = 0;
    for (const BandLevelRow& row : kBandLevelRows) {
        CAPTURE(row.phase);
        // Tick n draws phase n - 1.
        while (tick < row.phase + 1) {
            SceneFrameStep(run.window);
            ++tick;
        }
        std::vector<int> want = BandRows(row.levels);
        for (int x : { 0, 511, 1023 }) {
            CAPTURE(x);
            CHECK(ColumnLevels(run.window, x, top, 90) == want);
        }
        // Black just above and below: 90 rows, anchorY - 100 through anchorY - 11.
        CHECK(AllPixels(run.window, 0, top - 1, kWidth, 1, kBlack));
        CHECK(AllPixels(run.window, 0, kAnchorY - 10, kWidth, 10, kBlack));
    }
    // The phase comes back to 0 after 19.
    while (tick < 20) {
        SceneFrameStep(run.window);
        ++tick;
    }
    CHECK(SceneAnimation.bandPhase == 0);
}

TEST_CASE("with the clock hidden the panel's place stays black and the rest is drawn")
{
    SceneRun run(kWidth, kHeight, 0);
    for (int tick = 0; tick < 3; ++tick)
        SceneFrameStep(run.window);
    CHECK(AllPixels(run.window, 0, kHeight - 100, kWidth, 33, kBlack));
    CHECK(ClockPanel.clockX == 1);   // the panel's step is not taken at all
    CHECK(SpriteMismatches(run.window, kAnchorX, kAnchorY, "IDB_BITMAP_TOKOPI_104",
                           kCharacterKey, kBlack) == 0);
    CHECK_FALSE(AllPixels(run.window, 0, kAnchorY - 100, 1, 90, kBlack));
}

TEST_CASE("the moon crosses the window, is off screen at x = clientRect.right and re-enters at -64")
{
    SceneRun run(kWidth, kHeight);
    for (int tick = 0; tick < kWidth - 1; ++tick)
        SceneFrameStep(run.window);
    CHECK(SceneAnimation.moonX == kWidth - 1);
    // Only its first column is inside; the path behind it is clean.
    CHECK(SpriteMismatches(run.window, kWidth - 1, 50, "IDB_BITMAP_MOON", kMoonKey, kBlack) == 0);
    CHECK(AllPixels(run.window, 0, 50, kWidth - 1, 64, kBlack));
    SceneFrameStep(run.window);
    CHECK(SceneAnimation.moonX == kWidth);
    CHECK(AllPixels(run.window, 0, 50, kWidth, 64, kBlack));
    SceneFrameStep(run.window);
    CHECK(SceneAnimation.moonX == -64);
    CHECK(AllPixels(run.window, 0, 50, kWidth, 64, kBlack));
    for (int tick = 0; tick < 32; ++tick)
        SceneFrameStep(run.window);
    // Its right half shows at the left edge.
    CHECK(SceneAnimation.moonX == -32);
    CHECK(SpriteMismatches(run.window, -32, 50, "IDB_BITMAP_MOON", kMoonKey, kBlack) == 0);
    CHECK_FALSE(AllPixels(run.window, 0, 50, 32, 64, kBlack));
    CHECK(AllPixels(run.window, 32, 50, kWidth - 32, 64, kBlack));
}

TEST_CASE("a window of width 0 does not fault: the star takes column 0")
{
    for (int height : { 0, 200 }) {
        CAPTURE(height);
        SceneRun run(0, height, 1, 1);
        REQUIRE(SceneAssets.clientRect.right == 0);
        for (int tick = 0; tick < 12; ++tick)
            SceneFrameStep(run.window);
        CHECK(SceneAnimation.starX == 0);
        CHECK(SceneAnimation.anchorX == -20);
        CHECK(ClockPanel.clockX == 1 - 12);
    }
}
