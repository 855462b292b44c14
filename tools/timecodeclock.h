#pragma once

#include "artnet/arttimecode.h"

// Advances an Art-Net timecode by one frame at its own rate, with the drop-frame rule for
// type 2 (frames 0 and 1 skipped at each minute but every tenth).
ArtTimecode nextFrame(ArtTimecode timecode);
