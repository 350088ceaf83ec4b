#include "tests/reliability/CrashRun.h"

#include "tests/support/TestFolder.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

namespace kestar::test::CrashRun {

namespace {

// A child nobody ends stops by itself after 20 s; a trigger that was never reached by then is
// the test's fault, and shows as a child that failed.
constexpr int kWaitMs = 25000;

const QStringList kDoneWords = {QStringLiteral("posted"), QStringLiteral("saved"),
                                QStringLiteral("built")};

} // namespace

QList<int> Outcome::numbers(const QString& word) const
{
    QList<int> found;
    const QString prefix = word + QLatin1Char(' ');
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            found.append(line.mid(prefix.size()).toInt());
    }
    return found;
}

QString childTemp(const TestFolder& folder)
{
    return folder.path() + QStringLiteral("/child-tmp");
}

Landing landingOf(const QStringList& output)
{
    // The unit at work is what follows the child's last line of its own.
    qsizetype last = output.size() - 1;
    while (last >= 0 && output.at(last).startsWith(QLatin1Char('~')))
        --last;
    if (last >= 0 && kDoneWords.contains(output.at(last).section(QLatin1Char(' '), 0, 0)))
        return Landing::After;
    Landing landing = Landing::Before;
    for (qsizetype i = last + 1; i < output.size(); ++i) {
        // Removing the super-journal commits a unit over several table files, removing the
        // journal one over a single file.
        if (output.at(i) == QLatin1String("~m") || output.at(i) == QLatin1String("~j"))
            return Landing::After;
        if (output.at(i) == QLatin1String("~s"))
            landing = Landing::Inside;
    }
    return landing;
}

Outcome run(const TestFolder& folder, quint32 seed, const Launch& launch)
{
    QDir().mkpath(childTemp(folder));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), childTemp(folder));
    child.setProcessEnvironment(env);
    QStringList arguments = {folder.path(), launch.mode, QString::number(seed),
                             QString::number(launch.build)};
    if (!launch.trigger.isEmpty())
        arguments.append(launch.trigger);
    arguments += launch.faults;
    child.start(QStringLiteral(KESTAR_CRASH_CHILD), arguments);
    Outcome outcome;
    if (!child.waitForStarted(10000)) {
        outcome.childFailed = true;
        return outcome;
    }
    QByteArray output;
    if (launch.trigger.isEmpty()) {
        QElapsedTimer waited;
        waited.start();
        while (!output.contains("ready\n") && waited.elapsed() < 10000 &&
               child.state() == QProcess::Running) {
            child.waitForReadyRead(50);
            output += child.readAllStandardOutput();
        }
        if (output.contains("ready\n"))
            QThread::msleep(launch.delayMs);
        child.kill();
    }
    if (!child.waitForFinished(kWaitMs))
        child.kill();
    child.waitForFinished(10000);
    output += child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::CrashExit) {
        outcome.childFailed = true;
        qWarning().noquote() << "child ended by itself:" << child.exitCode()
                             << child.readAllStandardError();
        return outcome;
    }
    const QStringList all =
        QString::fromLatin1(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    outcome.landing = landingOf(all);
    for (const QString& line : all) {
        if (!line.startsWith(QLatin1Char('~')))
            outcome.lines.append(line);
    }
    outcome.lastLine = outcome.lines.value(outcome.lines.size() - 1);
    return outcome;
}

QString Figures::header()
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(QStringLiteral("kind of kill"), -40)
        .arg(QStringLiteral("kills"), 6)
        .arg(QStringLiteral("before"), 7)
        .arg(QStringLiteral("inside"), 7)
        .arg(QStringLiteral("after"), 6)
        .arg(QStringLiteral("checked"), 8)
        .arg(QStringLiteral("reported"), 9)
        .arg(QStringLiteral("violations"), 11)
        .arg(QStringLiteral("seconds"), 8);
}

QString Figures::line() const
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(name, -40)
        .arg(kills, 6)
        .arg(landed[0], 7)
        .arg(landed[1], 7)
        .arg(landed[2], 6)
        .arg(units, 8)
        .arg(reported, 9)
        .arg(violations, 11)
        .arg(seconds, 8, 'f', 1);
}

} // namespace kestar::test::CrashRun
