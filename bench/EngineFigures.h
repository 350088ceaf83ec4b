#pragma once

#include <QString>
#include <QTextStream>
#include <functional>
#include <utility>
#include <vector>

// The figures of engine_bench, shared by its SQLite and its PostgreSQL run: each times the
// engine's side of a job (the same whichever store the data folder of the working folder
// names) against a raw side the run gives, the two taking turns, and reports both.
namespace kestar::bench {

// One run of the figures: where they are printed, the suffix of their RESULT keys ("" or
// "_pg") and the name of the raw side ("raw sqlite3", "raw libpq").
struct FigureRun
{
    QTextStream& out;
    QString suffix;
    QString rawName;
};

double millisecondsOf(const std::function<void()>& work);
std::vector<QString> randomArticles(int count, unsigned seed);

// 1. A posting of 99 lines: 99 ledger rows at the front and 99 stock changes, one transaction.
// raw posts the same lines: article codes, each line taking 2 from the article's stock.
void postingFigure(const FigureRun& run, int repeats,
                   const std::function<void(const std::vector<QString>& codes)>& raw);
// 2. Walking the whole ledger from the first row to the last; raw counts the rows with an
// article code.
void walkFigure(const FigureRun& run, const std::function<qint64()>& raw);
// 3. Nearest-key searches on the article table; raw gives the total length of the codes found.
void nearestFigure(const FigureRun& run,
                   const std::function<qint64(const std::vector<QString>& keys)>& raw);
// 4. The grouped statement of the machine note, for the machine with the most rows; raw gives
// the total of the groups of the machine (SIFRAMASINE, SIFRAMASINE2).
void machineNoteFigure(const FigureRun& run,
                       const std::function<double(const QString&, const QString&)>& raw);
// 5. The item card: the article's movements as a live query, SALDO rewritten in every row,
// newest first, starting from start. raw does the same and gives the rows and the change of
// the balance.
void cardFigure(
    const FigureRun& run,
    const std::function<std::pair<qint64, double>(const QString& article, double start)>& raw);
// 6. The grid model over the ledger, asked for its last row right after opening, and the
// memory it added; raw counts the rows and reads the last one.
void gridFigure(const FigureRun& run, const std::function<void()>& raw);

} // namespace kestar::bench
