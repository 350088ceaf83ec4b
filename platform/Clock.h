#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace kestar {

// Today's date and the time of day. Tests fix the clock to a moment of their choice.
class Clock
{
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    static QTime time() { return now().time(); }

    // Fixes the clock at a moment; an invalid QDateTime lets it run again.
    static void fix(const QDateTime& moment);
};

class ScopedClock
{
public:
    explicit ScopedClock(const QDateTime& moment) { Clock::fix(moment); }
    ~ScopedClock() { Clock::fix({}); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

} // namespace kestar
