#include "platform/Clock.h"

namespace kestar {

namespace {
QDateTime& fixedMoment()
{
    static QDateTime moment;
    return moment;
}
} // namespace

QDateTime Clock::now()
{
    const QDateTime& fixed = fixedMoment();
    return fixed.isValid() ? fixed : QDateTime::currentDateTime();
}

void Clock::fix(const QDateTime& moment)
{
    fixedMoment() = moment;
}

} // namespace kestar
