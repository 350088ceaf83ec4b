// The import of an old data folder whose ledger holds a million rows (kestar-setup import, in a
// child process), beside raw SQLite writing as many rows of the same fields into a table file
// of its own in one transaction: the least work, without reading an old table or converting a
// value. For each: the time and the peak memory (the child's largest resident set).

#include "data/Schema.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestar;
namespace Old = kestar::test::OldFolderFixture;

namespace {

QTextStream out(stdout);

struct Run
{
    double seconds = 0;
    double peakMb = 0;
    int status = -1;
};

// Runs child in a process of its own and waits for it.
template <class Child> Run measure(Child child)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(child());
    Run run;
    rusage usage{};
    int status = 0;
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakMb = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    }
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    return run;
}

// Ledger row i of the generated old ledger: newest first, as postings leave it.
QVariantList ledgerRow(int rows, int i)
{
    QVariantList row(30);
    const int number = rows - i;
    const bool issue = i % 3 != 0;
    row[0] = number;                        // BROJDOKUMENTA
    row[1] = 0;                             // NARUDZBENICA
    row[2] = issue ? number : 0;            // OTPREMNICA
    row[3] = issue ? 0 : number;            // ULAZ
    for (int field = 4; field < 9; ++field) // PREDRACUN .. UMAGACIN
        row[field] = 0;
    row[9] = 1; // MAGACIN
    row[10] = QStringLiteral("Komentar %1").arg(i % 17);
    row[12] = QDate(2020, 1, 1).addDays(i % 1500); // DATUM
    row[13] = row[12];                             // VALUTA
    row[14] = QStringLiteral("A%1").arg(i % 5000, 6, 10, QLatin1Char('0'));
    row[15] = QStringLiteral("Artikal broj %1").arg(i % 5000);
    row[16] = QStringLiteral("Alati");
    row[17] = QStringLiteral("01");
    row[18] = 0.0;                  // CENA
    row[19] = double(i % 40) / 4.0; // KOLICINA
    row[20] = 0.0;                  // RABAT
    row[21] = QStringLiteral("K");
    row[22] = QStringLiteral("0");
    row[23] = QStringLiteral("VLASNIK");
    row[24] = 0.0;
    row[25] = QStringLiteral("Administrator");
    if (issue) {
        row[26] = QStringLiteral("M%1").arg(i % 200);
        row[27] = QStringLiteral("S-%1").arg(i % 200);
        row[28] = QStringLiteral("Masina %1").arg(i % 200);
    }
    return row;
}

void makeOldFolder(const QString& folder, int rows)
{
    QDir().mkpath(folder);
    Old::writeEmptyTables(folder);
    Old::writeTextFiles(folder);
    test::ParadoxWriter(Old::columns(QStringLiteral("prometx")))
        .write(folder + QStringLiteral("/prometx.DB"), rows,
               [rows](int i) { return ledgerRow(rows, i); });
}

// The least work for the same rows: one prepared INSERT per row into a table with the ledger's
// fields and its order column, in one transaction, with the engine's durability settings.
int rawSqlite(const QString& file, int rows)
{
    QFile::remove(file);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK)
        return 1;
    const TableDef& def = Schema::table(QStringLiteral("prometx"));
    QStringList columns{QString::fromLatin1(Schema::kOrderColumn)};
    QStringList marks{QStringLiteral("?")};
    for (const FieldDef& field : def.fields) {
        columns.append(field.name);
        marks.append(QStringLiteral("?"));
    }
    const QString create = QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                                          "CREATE TABLE prometx(%1); BEGIN;")
                               .arg(columns.join(QLatin1Char(',')));
    if (sqlite3_exec(db, create.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return 2;
    sqlite3_stmt* insert = nullptr;
    const QByteArray sql =
        QStringLiteral("INSERT INTO prometx VALUES(%1)").arg(marks.join(QLatin1Char(','))).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr) != SQLITE_OK)
        return 3;
    for (int i = 0; i < rows; ++i) {
        const QVariantList row = ledgerRow(rows, i);
        sqlite3_bind_int64(insert, 1, qint64(i) * 1024);
        for (int field = 0; field < def.fields.size(); ++field) {
            const QVariant& value = row.at(field);
            if (!value.isValid()) {
                sqlite3_bind_null(insert, field + 2);
                continue;
            }
            switch (def.fields.at(field).type) {
            case FieldType::Integer:
                sqlite3_bind_int64(insert, field + 2, value.toLongLong());
                break;
            case FieldType::Number:
                sqlite3_bind_double(insert, field + 2, value.toDouble());
                break;
            case FieldType::Date:
            case FieldType::Text: {
                const QByteArray text = value.typeId() == QMetaType::QDate
                                            ? value.toDate().toString(Qt::ISODate).toUtf8()
                                            : value.toString().toUtf8();
                sqlite3_bind_text(insert, field + 2, text.constData(), int(text.size()),
                                  SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (sqlite3_step(insert) != SQLITE_DONE)
            return 4;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 5;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QStringLiteral(KESTAR_BENCH_DATA "/import-%1").arg(rows);
    const QString oldFolder = base + QStringLiteral("/stari");
    const QString newFolder = base + QStringLiteral("/novi");
    if (!QFileInfo::exists(oldFolder + QStringLiteral("/prometx.DB"))) {
        out << "Writing an old data folder with " << rows << " ledger rows into " << oldFolder
            << " ...\n";
        out.flush();
        makeOldFolder(oldFolder, rows);
    }
    out << "Old ledger: " << QFileInfo(oldFolder + QStringLiteral("/prometx.DB")).size() / 1048576
        << " MB\n";
    QDir(newFolder).removeRecursively();

    const QByteArray setup = QByteArrayLiteral(KESTAR_SETUP);
    const QByteArray oldArgument = QFile::encodeName(oldFolder);
    const QByteArray newArgument = QFile::encodeName(newFolder);
    const Run import = measure([&] {
        // The report goes nowhere: only the time and the memory count here.
        if (!freopen("/dev/null", "w", stdout))
            return 126;
        execl(setup.constData(), setup.constData(), "import", oldArgument.constData(),
              newArgument.constData(), static_cast<char*>(nullptr));
        return 127;
    });
    const Run raw = measure([&] { return rawSqlite(base + QStringLiteral("/raw.db"), rows); });
    QFile::remove(base + QStringLiteral("/raw.db"));

    out << "\n"
        << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("Import of a ledger"), -34)
               .arg(QStringLiteral("seconds"), 9)
               .arg(QStringLiteral("peak MB"), 9)
               .arg(QStringLiteral("exit"), 5)
        << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("kestar-setup import"), -34)
               .arg(import.seconds, 9, 'f', 1)
               .arg(import.peakMb, 9, 'f', 0)
               .arg(import.status, 5)
        << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("raw sqlite3 INSERT, one transaction"), -34)
               .arg(raw.seconds, 9, 'f', 1)
               .arg(raw.peakMb, 9, 'f', 0)
               .arg(raw.status, 5)
        << "\n"
        << QStringLiteral("RESULT import_ledger_rows %1 rows\n").arg(rows)
        << QStringLiteral("RESULT import_seconds %1 s\n").arg(import.seconds, 0, 'f', 2)
        << QStringLiteral("RESULT import_peak_memory %1 MB\n").arg(import.peakMb, 0, 'f', 1)
        << QStringLiteral("RESULT raw_sqlite_insert_seconds %1 s\n").arg(raw.seconds, 0, 'f', 2)
        << QStringLiteral("RESULT raw_sqlite_insert_peak_memory %1 MB\n").arg(raw.peakMb, 0, 'f', 1)
        << QStringLiteral("RESULT import_ratio %1 x\n")
               .arg(import.seconds / raw.seconds, 0, 'f', 2);
    out.flush();
    return import.status == 0 && raw.status == 0 ? 0 : 1;
}
