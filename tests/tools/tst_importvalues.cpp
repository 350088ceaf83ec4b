#include "data/Schema.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/tools/ImportFolders.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SetupCommand.h"
#include "tools/import/ImportReport.h"

#include <QDate>
#include <QDir>
#include <QTest>
#include <memory>
#include <sqlite3.h>

extern "C" {
#include <paradox.h>
}

using namespace kestar;
using namespace kestar::test;
namespace Old = kestar::test::OldFolderFixture;

namespace {

// What one SQL statement gives on a table file of the new folder, its rows joined by "|" and
// their columns by ",".
QString sqlOn(const QString& tableFile, const QString& sql)
{
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(tableFile.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) ==
            SQLITE_OK) {
            QStringList rows;
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList columns;
                for (int i = 0; i < sqlite3_column_count(statement); ++i)
                    columns.append(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, i))));
                rows.append(columns.join(QLatin1Char(',')));
            }
            result = rows.join(QLatin1Char('|'));
        } else {
            result = QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

// The columns of the old ledger, with the fields named held in another type.
QList<ParadoxColumn> ledgerColumns(const QMap<QString, int>& types)
{
    QList<ParadoxColumn> columns = Old::columns("prometx");
    for (ParadoxColumn& column : columns) {
        if (types.contains(column.name)) {
            column.type = types.value(column.name);
            column.length = column.type == pxfAlpha ? 12 : 0;
        }
    }
    return columns;
}

int columnOf(const QString& field)
{
    const QList<ParadoxColumn> columns = Old::columns("prometx");
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name == field)
            return i;
    }
    return -1;
}

} // namespace

// Values that have no exact form in the new tables are reported and left empty, never changed
// into another value without a word.
class TestImportValues : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folders = std::make_unique<ImportFolders>();
        m_old = m_folders->oldFolder();
        m_new = m_folders->newFolder();
    }
    void cleanup() { m_folders.reset(); }

    // A comma in a number held as text may be a decimal comma or a thousands separator: the
    // import cannot know which, so it never guesses.
    void numberTextWithACommaIsReportedAndLeftEmpty()
    {
        ParadoxWriter prometx(
            ledgerColumns({{"KOLICINA", pxfAlpha}, {"CENA", pxfAlpha}, {"OTPREMNICA", pxfAlpha}}));
        const QStringList quantities{"0,250", "1,500", "2,000", "12,345", "1,5", "10,00", "2.5"};
        for (const QString& quantity : quantities) {
            QVariantList row(30);
            row[columnOf("BROJDOKUMENTA")] = 1;
            row[columnOf("KOLICINA")] = quantity;
            row[columnOf("CENA")] = quantity == "2.5" ? QStringLiteral(" 3 ") : QString();
            row[columnOf("OTPREMNICA")] = quantity == "2.5" ? QStringLiteral("1,000") : "7";
            prometx.addRow(row);
        }
        prometx.write(m_old + "/prometx.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        for (int i = 0; i < 6; ++i) {
            const QString problem =
                QStringLiteral("prometx row %1, field KOLICINA, value '%2': not a number; the "
                               "field was left empty")
                    .arg(i + 1)
                    .arg(quantities.at(i));
            QVERIFY2(run.out.contains(problem), qPrintable(run.out));
        }
        QVERIFY2(run.out.contains("prometx row 7, field OTPREMNICA, value '1,000': not a whole "
                                  "number; the field was left empty"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 7 problems"), qPrintable(run.out));
        QCOMPARE(sqlOn(m_new + "/prometx.db",
                       "SELECT ifnull(KOLICINA, 'NULL'), ifnull(OTPREMNICA, 'NULL') FROM prometx "
                       "ORDER BY " +
                           QString::fromLatin1(Schema::kOrderColumn)),
                 QStringLiteral("NULL,7|NULL,7|NULL,7|NULL,7|NULL,7|NULL,7|2.5,NULL"));
        QCOMPARE(sqlOn(m_new + "/prometx.db", "SELECT count(*) FROM prometx WHERE CENA = 3"),
                 QStringLiteral("1"));
    }

    // The program stores an empty text as '', and its statements look for '' (a machine
    // without a second code): imported rows must be found by them too.
    void emptyTextsAreWrittenAsTheProgramWritesThem()
    {
        ParadoxWriter::writeTexts(m_old + "/masina.DB", {"SIFRAMASINE", "SIFRA2", "NAZIVMASINE"},
                                  {{"M1", "", "Presa"}, {"M2", "B", ""}});
        ParadoxWriter prometx(Old::columns("prometx"));
        for (int i = 0; i < 3; ++i) {
            QVariantList row(30);
            row[columnOf("BROJDOKUMENTA")] = i + 1;
            row[columnOf("OTPREMNICA")] = i + 1;
            row[columnOf("SIFRAROBE")] = QStringLiteral("A");
            row[columnOf("KOLICINA")] = 1.0;
            row[columnOf("SIFRAMASINE")] = QStringLiteral("M1"); // SIFRAMASINE2 stays empty
            prometx.addRow(row);
        }
        prometx.write(m_old + "/prometx.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("Verdict: imported completely"), qPrintable(run.out));
        // As the grouped delivery note looks for a machine without a second code.
        QCOMPARE(sqlOn(m_new + "/prometx.db",
                       "SELECT count(*) FROM prometx WHERE SIFRAMASINE = 'M1' AND "
                       "SIFRAMASINE2 = ''"),
                 QStringLiteral("3"));
        QCOMPARE(sqlOn(m_new + "/masina.db",
                       "SELECT SIFRAMASINE FROM masina WHERE SIFRA2 = '' UNION ALL "
                       "SELECT SIFRAMASINE FROM masina WHERE NAZIVMASINE = ''"),
                 QStringLiteral("M1|M2"));
        // No text field of any new table holds NULL.
        for (const TableDef& def : Schema::tables()) {
            for (const FieldDef& field : def.fields) {
                if (field.type != FieldType::Text)
                    continue;
                QCOMPARE(sqlOn(m_new + "/" + def.name + ".db",
                               QStringLiteral("SELECT count(*) FROM %1 WHERE %2 IS NULL")
                                   .arg(def.name, field.name)),
                         QStringLiteral("0"));
            }
        }
    }

    // Day 0 is no date: it is written empty, as the program writes an empty date, and said.
    void dateOfDayZeroIsReportedAndWrittenEmpty()
    {
        ParadoxWriter prometx(Old::columns("prometx"));
        QVariantList row(30);
        row[columnOf("BROJDOKUMENTA")] = 5;
        row[columnOf("DATUM")] = 0;
        row[columnOf("VALUTA")] = QDate(2024, 3, 5);
        prometx.addRow(row);
        prometx.write(m_old + "/prometx.DB");
        ParadoxWriter magacin(Old::columns("magacin"), 1250, 1);
        magacin.addRow({QStringLiteral("A1"), QStringLiteral("Artikal"), QVariant(), QVariant(),
                        QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), 0});
        magacin.write(m_old + "/magacin.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("prometx row 1, field DATUM, value (day 0): not a date; the "
                                  "field was left empty"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("magacin row 1, field DATUMULAZA, value (day 0): not a date; "
                                  "the field was left empty"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 2 problems"), qPrintable(run.out));
        QCOMPARE(sqlOn(m_new + "/prometx.db",
                       "SELECT ifnull(DATUM, 'NULL'), VALUTA, BROJDOKUMENTA FROM prometx"),
                 QStringLiteral("NULL,2024-03-05,5"));
        QCOMPARE(sqlOn(m_new + "/magacin.db", "SELECT ifnull(DATUMULAZA, 'NULL') FROM magacin"),
                 QStringLiteral("NULL"));
        // The check of the new folder finds nothing wrong with the dates.
        const CommandResult check = runSetup({"check", m_new});
        QVERIFY2(!check.out.contains("field 'DATUM'"), qPrintable(check.out));
        QVERIFY2(!check.out.contains("field 'DATUMULAZA'"), qPrintable(check.out));
    }

    // A table with a problem in every row lists the first ones and counts the rest, so that the
    // report of a million-row ledger does not fill the memory.
    void reportListsTenThousandProblemsOfATableAndCountsTheRest()
    {
        constexpr int kRows = ImportReport::kListedPerTable + 25;
        ParadoxWriter prometx(ledgerColumns({{"KOLICINA", pxfAlpha}}));
        for (int i = 0; i < kRows; ++i) {
            QVariantList row(30);
            row[columnOf("BROJDOKUMENTA")] = i + 1;
            row[columnOf("KOLICINA")] = QStringLiteral("1,5");
            prometx.addRow(row);
        }
        prometx.write(m_old + "/prometx.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QCOMPARE(run.out.count(QStringLiteral(", field KOLICINA, value '1,5': not a number")),
                 ImportReport::kListedPerTable);
        // The rows are written last first; the problems of the first rows are the ones listed.
        QVERIFY2(run.out.contains("\n  prometx row 1, field KOLICINA"), qPrintable(run.out));
        QVERIFY2(run.out.contains("prometx row 10000, field KOLICINA"), qPrintable(run.out));
        QVERIFY2(!run.out.contains("prometx row 10001, field KOLICINA"), qPrintable(run.out));
        QVERIFY2(run.out.contains("prometx: 25 more values and rows like these, not listed"),
                 qPrintable(run.out.right(2000)));
        QVERIFY2(run.out.contains(QStringLiteral("Verdict: imported with %1 problems").arg(kRows)),
                 qPrintable(run.out.right(2000)));
        QCOMPARE(sqlOn(m_new + "/prometx.db", "SELECT count(*) FROM prometx"),
                 QString::number(kRows));
    }

private:
    std::unique_ptr<ImportFolders> m_folders;
    QString m_old;
    QString m_new;
};

QTEST_GUILESS_MAIN(TestImportValues)
#include "tst_importvalues.moc"
