#pragma once

#include <QString>
#include <QTextStream>

namespace kestar::bench {

// A large data folder for the benchmarks, written with raw SQLite into table files that
// Schema::createTableFile made: 100,000 articles, 1,000,000 ledger rows, 200 machines.
// Ledger rows are spread over the articles with a skew towards a few popular ones; one chosen
// article has exactly 10,000 movements and one busy machine has many issues. Row 0 of the
// ledger (smallest order value) is the newest, as postings leave it.
class DataGenerator
{
public:
    static constexpr int kArticles = 100000;
    static constexpr int kLedgerRows = 1000000;
    static constexpr int kChosenMovements = 10000;
    static constexpr int kMachines = 200;
    static constexpr qint64 kOrderStep = 1024;

    static QString articleCode(int index); // "A000001" for 0
    static QString chosenArticle();
    static QString busyMachine();
    static QString busyMachine2();

    // The program folder holding podaci/ in cacheFolder, made once and reused while its
    // contents are of the current version. Raises std::runtime_error.
    static QString ensure(const QString& cacheFolder, QTextStream& log);
    // Copies the files of a generated podaci/ into to (emptied first), so that a run works on
    // a fresh copy and runs do not drift. Raises std::runtime_error.
    static void copyFolder(const QString& from, const QString& to);
    // Writes the data folder into programFolder/podaci (which must not exist).
    static void generate(const QString& programFolder);
};

} // namespace kestar::bench
