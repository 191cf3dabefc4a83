#include "scene/Scene.h"

namespace {
const uint32_t kMultiplier = 214013u;
const uint32_t kIncrement = 2531011u;
uint32_t randomState = 1;   // until the scene seeds it
} // namespace

void SeedSceneRandom(uint32_t seed)
{
    randomState = seed;
}

int DrawSceneRandom()
{
    randomState = randomState * kMultiplier + kIncrement;
    return (int)((randomState >> 16) & 0x7FFF);
}

uint32_t SceneRandomState()
{
    return randomState;
}
