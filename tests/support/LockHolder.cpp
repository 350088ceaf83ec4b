#include "tests/support/LockHolder.h"

#include <QElapsedTimer>

namespace kestar::test {

LockHolder::LockHolder(const QString& dataFolder)
{
    m_process.start(QStringLiteral(KESTAR_LOCK_HOLDER), {dataFolder});
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains('\n') && waited.elapsed() < 10000 &&
           m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(100);
        said += m_process.readAllStandardOutput();
    }
    m_holds = said.startsWith("held\n");
}

LockHolder::~LockHolder()
{
    kill();
}

void LockHolder::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
}

} // namespace kestar::test
