#pragma once

#include <QString>

// Counts, instead of printing, the Qt warnings that the benchmarks provoke every tick: an LCD
// asked for more than its 99 digits, and the offscreen platform's note that it has no use for a
// window's size hints. Every other message is printed as usual.
namespace MessageTally {

enum class Kind
{
    LcdDigitLimit,
    SizeHints
};

void install();
// The number of messages of that kind since the last call, counting from zero again.
int take(Kind kind);

} // namespace MessageTally
