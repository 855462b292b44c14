#include "messagetally.h"

#include <QtGlobal>

#include <atomic>

namespace MessageTally {

namespace {

std::atomic<int> lcdDigitLimit{0};
std::atomic<int> sizeHints{0};
QtMessageHandler previousHandler = nullptr;

void tally(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QLCDNumber::setNumDigits:"))) {
        ++lcdDigitLimit;
        return;
    }
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")) {
        ++sizeHints;
        return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void install()
{
    previousHandler = qInstallMessageHandler(tally);
}

int take(Kind kind)
{
    return (kind == Kind::LcdDigitLimit ? lcdDigitLimit : sizeHints).exchange(0);
}

} // namespace MessageTally
