#include "host/SaverHost.h"

namespace {
const DWORD kMoveThreshold = 4;
const BYTE kNoAcLineStatus = 255;
const DWORD kNoCheckYet = 0xFFFFFFFF;

const SaverHostRecord kInitialHostState = {
    0, 0, 0, 0, 0, 0, 0, 0, { 0, 0 },
    kMoveThreshold, kNoAcLineStatus, 0, 0, 0, 0, kNoCheckYet
};
} // namespace

SaverHostRecord SaverHostState = kInitialHostState;

void ResetSaverHostState()
{
    SaverHostState = kInitialHostState;
}
