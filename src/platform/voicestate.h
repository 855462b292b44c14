#pragma once

#include <QtGlobal>

#include <atomic>

// What the sound engine's thread tells the window of one cue file, without either waiting.
struct VoiceState
{
    // The number of the play() in progress, 0 when none; the engine clears it at the end.
    std::atomic<quint64> playing{0};
    // The file's length in milliseconds as last opened; -1 before that, or when it cannot play.
    std::atomic<qint64> lengthMs{-1};
};
