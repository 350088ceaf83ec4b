// Holds the lock of a data folder until it is killed: the other copy in the lock tests.
//
//   kestar_lock_holder <data folder>

#include "data/DataFolderLock.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    kestar::DataFolderLock lock(QString::fromLocal8Bit(argv[1]));
    if (lock.acquire() != kestar::DataFolderLock::Outcome::Held) {
        std::fputs("refused\n", stdout);
        return 1;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    // A holder nobody kills lets go by itself, so that a failed test leaves no process behind.
    QThread::sleep(120);
    return 0;
}
