#pragma once

#include "artnet/arttimecode.h"

#include <QByteArray>

// An ArtTimeCode datagram as a console sends it, written out byte by byte here rather than with
// the node's own packet code, so that the benchmarks feed the node what is on the wire.
QByteArray timecodeDatagram(const ArtTimecode& timecode);

// The timecode of frame number frame of a 30 fps (SMPTE, type 3) clock that started at 00:00:00:00.
ArtTimecode timecodeAtFrame(qint64 frame);
