#pragma once

#include <QtGlobal>

#include <sys/types.h>
#include <unistd.h>

namespace kestar::test {

inline constexpr uid_t kNobody = 65534;

// While alive, a privileged test process acts as the unprivileged user "nobody" (when drop is
// true), so that permission bits and the limits of an ordinary user hold for it as they do for
// the people who use the program. Everything the test makes meanwhile (the program folder, the
// engine's scratch file) is then that user's own.
class Unprivileged
{
public:
    explicit Unprivileged(bool drop)
    {
        if (!drop)
            return;
        m_dropped = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        if (!m_dropped)
            qFatal("cannot act as an unprivileged user");
    }
    ~Unprivileged()
    {
        if (m_dropped && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot take the privileges back");
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // Whether this process can act as "nobody" and come back: it is privileged.
    static bool canDrop()
    {
        if (::geteuid() != 0)
            return false;
        const bool dropped = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        if (dropped && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot take the privileges back");
        return dropped;
    }

private:
    bool m_dropped = false;
};

} // namespace kestar::test
