#include "DataGenerator.h"

#include "data/Schema.h"
#include "data/TextFiles.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

namespace kestar::bench {

namespace {

// Bump when the generated contents change, so that an old cache is not reused.
constexpr const char* kVersion = "engine-bench-v2";

void check(sqlite3* db, int rc, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error(text + " in " + sql.toStdString());
    }
}

class Insert
{
public:
    Insert(sqlite3* db, const QString& sql) : m_db(db)
    {
        check(db, sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_stmt, nullptr),
              "prepare");
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    void text(int i, const QByteArray& value)
    {
        sqlite3_bind_text(m_stmt, i, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    }
    void integer(int i, qint64 value) { sqlite3_bind_int64(m_stmt, i, value); }
    void real(int i, double value) { sqlite3_bind_double(m_stmt, i, value); }
    void null(int i) { sqlite3_bind_null(m_stmt, i); }
    void run()
    {
        check(m_db, sqlite3_step(m_stmt), "insert");
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

QString insertSql(const QString& schema, const TableDef& def)
{
    QStringList columns, parameters;
    for (const FieldDef& field : def.fields)
        columns.append(field.name);
    if (def.key.isEmpty())
        columns.append(QString::fromLatin1(Schema::kOrderColumn));
    for (int i = 1; i <= columns.size(); ++i)
        parameters.append(QStringLiteral("?%1").arg(i));
    return QStringLiteral("INSERT INTO %1.%2 (%3) VALUES (%4)")
        .arg(schema, def.name, columns.join(','), parameters.join(','));
}

// The secondary indexes are dropped while the rows go in and made again afterwards, which is
// much faster than keeping them up to date row by row.
QStringList dropIndexes(sqlite3* db, const QString& schema)
{
    QStringList create, names;
    sqlite3_stmt* stmt = nullptr;
    check(db,
          sqlite3_prepare_v2(db,
                             QStringLiteral("SELECT name, sql FROM %1.sqlite_master WHERE "
                                            "type='index' AND sql IS NOT NULL")
                                 .arg(schema)
                                 .toUtf8()
                                 .constData(),
                             -1, &stmt, nullptr),
          "prepare");
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        names.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
        QString sql =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        sql.replace(QStringLiteral("CREATE INDEX \""),
                    QStringLiteral("CREATE INDEX %1.\"").arg(schema));
        create.append(sql);
    }
    sqlite3_finalize(stmt);
    for (const QString& name : names)
        exec(db, QStringLiteral("DROP INDEX %1.\"%2\"").arg(schema, name));
    return create;
}

const char* const kGroups[] = {"Vijci",      "Lezajevi",        "Alat",       "Elektro",
                               "Hidraulika", "Zastitna oprema", "Pneumatika", "Ulja i masti",
                               "Zaptivke",   "Lanci",           "Remenje",    "Opruge",
                               "Cevi",       "Ventili",         "Pumpe",      "Motori",
                               "Kablovi",    "Rasveta",         "Hemija",     "Potrosni materijal"};
constexpr int kGroupCount = int(sizeof(kGroups) / sizeof(kGroups[0]));

QByteArray groupCode(int group)
{
    return QByteArray("G") + QByteArray::number(group + 1).rightJustified(2, '0');
}

QByteArray machineCode(int machine)
{
    return QByteArray("M") + QByteArray::number(machine + 1).rightJustified(4, '0');
}

QByteArray machineCode2(int machine)
{
    return QByteArray("S-") + QByteArray::number(machine + 1).rightJustified(4, '0');
}

constexpr int kBusyMachine = 6;

struct Article
{
    QByteArray code, name;
    int group;
};

void writeArticles(sqlite3* db, std::vector<Article>& articles, std::mt19937& random)
{
    const TableDef& def = Schema::table(QStringLiteral("magacin"));
    Insert insert(db, insertSql(QStringLiteral("m"), def));
    std::uniform_real_distribution<double> stock(0, 500), price(1, 5000);
    const char* const units[] = {"kom", "m", "kg", "l", "par", "set"};
    static const char* const words[] = {"standard",     "ojacani", "inox",   "pocinkovani",
                                        "industrijski", "mali",    "veliki", "rezervni"};
    articles.reserve(DataGenerator::kArticles);
    for (int i = 0; i < DataGenerator::kArticles; ++i) {
        Article article;
        article.code = DataGenerator::articleCode(i).toLatin1();
        article.group = int(random() % kGroupCount);
        article.name = QByteArray(kGroups[article.group]).left(6) + " artikal " +
                       QByteArray::number(i + 1) + ' ' + words[random() % 8];
        const double quantity = std::round(stock(random));
        const double buy = std::round(price(random) * 100) / 100;
        int c = 1;
        insert.text(c++, article.code);
        insert.text(c++, article.name);
        insert.text(c++, groupCode(article.group));
        insert.text(c++, kGroups[article.group]);
        insert.text(c++, units[random() % 6]);
        insert.real(c++, quantity);
        insert.real(c++, std::round(quantity / 5));
        insert.real(c++, buy);
        insert.real(c++, std::round(buy * 140) / 100);
        insert.text(c++, QDate(2015, 1, 1).addDays(i % 3000).toString(Qt::ISODate).toLatin1());
        insert.real(c++, quantity);
        for (int w = 0; w < 4; ++w)
            insert.real(c++, 0);
        insert.text(c++, i % 50 == 0 ? "P" : "");
        insert.null(c++);
        insert.null(c++);
        insert.null(c++);
        insert.run();
        articles.push_back(article);
    }
}

struct LedgerCounts
{
    int documents = 0, issues = 0, receipts = 0;
};

LedgerCounts writeLedger(sqlite3* db, const std::vector<Article>& articles, std::mt19937& random)
{
    const TableDef& def = Schema::table(QStringLiteral("prometx"));
    Insert insert(db, insertSql(QStringLiteral("main"), def));
    const int chosen = DataGenerator::chosenArticle().mid(1).toInt() - 1;
    const int rows = DataGenerator::kLedgerRows;
    const int chosenEvery = rows / DataGenerator::kChosenMovements;
    std::uniform_real_distribution<double> unit(0, 1);
    const char* const users[] = {"Administrator", "Magacioner", "Smena B"};
    const char* const comments[] = {"Redovno odrzavanje", "Servis", "Nabavka", "Zamena dela",
                                    "Hitna intervencija", ""};

    LedgerCounts counts;
    int linesLeft = 0;
    bool issue = true;
    int machine = -1;
    int number = 0;
    QByteArray date, user, comment;
    // From the oldest row (the end of the ledger) to the newest (its front).
    for (int j = 0; j < rows; ++j) {
        const qint64 position = rows - 1 - j;
        if (linesLeft == 0) {
            ++counts.documents;
            linesLeft = 1 + int(random() % 9);
            issue = unit(random) < 0.7;
            number = issue ? ++counts.issues : ++counts.receipts;
            machine = !issue                ? -1
                      : unit(random) < 0.05 ? kBusyMachine
                                            : int(random() % DataGenerator::kMachines);
            date =
                QDate(2015, 1, 1).addDays(qint64(j) * 3650 / rows).toString(Qt::ISODate).toLatin1();
            user = users[random() % 3];
            comment = comments[random() % 6];
        }
        --linesLeft;
        int article;
        if (position % chosenEvery == 37) {
            article = chosen;
        } else {
            const double u = unit(random);
            article = int(u * u * u * (DataGenerator::kArticles - 1));
            if (article == chosen)
                article = chosen + 1;
        }
        const Article& a = articles[size_t(article)];
        int c = 1;
        insert.integer(c++, counts.documents);
        insert.integer(c++, 0);
        insert.integer(c++, issue ? number : 0);
        insert.integer(c++, issue ? 0 : number);
        for (int z = 0; z < 5; ++z)
            insert.integer(c++, 0);
        insert.integer(c++, 1);
        insert.text(c++, comment);
        insert.text(c++, "");
        insert.text(c++, date);
        insert.text(c++, date);
        insert.text(c++, a.code);
        insert.text(c++, a.name);
        insert.text(c++, kGroups[a.group]);
        insert.text(c++, groupCode(a.group));
        insert.real(c++, 0);
        insert.real(c++, double(1 + random() % 40));
        insert.real(c++, 0);
        insert.text(c++, "K");
        insert.text(c++, "0");
        insert.text(c++, "VLASNIK");
        insert.real(c++, 0);
        insert.text(c++, user);
        insert.text(c++, machine >= 0 ? machineCode(machine) : "");
        insert.text(c++, machine >= 0 ? machineCode2(machine) : "");
        insert.text(c++, machine >= 0 ? "Masina " + QByteArray::number(machine + 1) : "");
        insert.null(c++);
        insert.integer(c++, position * DataGenerator::kOrderStep);
        insert.run();
    }
    return counts;
}

void writeSmallTables(sqlite3* db)
{
    Insert machine(db, insertSql(QStringLiteral("s"), Schema::table(QStringLiteral("masina"))));
    for (int i = 0; i < DataGenerator::kMachines; ++i) {
        machine.text(1, machineCode(i));
        machine.text(2, machineCode2(i));
        machine.text(3, "Masina " + QByteArray::number(i + 1));
        machine.integer(4, i * DataGenerator::kOrderStep);
        machine.run();
    }
    Insert user(db, insertSql(QStringLiteral("k"), Schema::table(QStringLiteral("korisnici"))));
    user.text(1, "123");
    user.text(2, "Administrator");
    user.integer(3, 0);
    user.run();
}

} // namespace

QString DataGenerator::articleCode(int index)
{
    return QStringLiteral("A%1").arg(index + 1, 6, 10, QLatin1Char('0'));
}

QString DataGenerator::chosenArticle()
{
    return articleCode(4999); // a popular article, low in the skew
}

QString DataGenerator::busyMachine()
{
    return QString::fromLatin1(machineCode(kBusyMachine));
}

QString DataGenerator::busyMachine2()
{
    return QString::fromLatin1(machineCode2(kBusyMachine));
}

QString DataGenerator::ensure(const QString& cacheFolder, QTextStream& log)
{
    const QString program = QDir(cacheFolder).filePath(QString::fromLatin1(kVersion));
    const QString marker = QDir(program).filePath(QStringLiteral("complete"));
    if (QFileInfo::exists(marker))
        return program;
    const QString building = program + QStringLiteral(".building");
    QDir(building).removeRecursively();
    QDir(program).removeRecursively();
    log << "Generating the benchmark data folder in " << program << " ..." << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    generate(building);
    QFile(QDir(building).filePath(QStringLiteral("complete"))).open(QIODevice::WriteOnly);
    if (!QDir().rename(building, program))
        throw std::runtime_error("cannot rename the generated data folder");
    log << "  done in " << timer.elapsed() / 1000.0 << " s" << Qt::endl;
    return program;
}

void DataGenerator::copyFolder(const QString& from, const QString& to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files)) {
        if (!QFile::copy(entry.filePath(), QDir(to).filePath(entry.fileName())))
            throw std::runtime_error("cannot copy " + entry.filePath().toStdString());
    }
}

void DataGenerator::generate(const QString& programFolder)
{
    const QString podaci = QDir(programFolder).filePath(QStringLiteral("podaci"));
    if (!QDir().mkpath(podaci))
        throw std::runtime_error("cannot make " + podaci.toStdString());
    for (const TableDef& def : Schema::tables())
        Schema::createTableFile(podaci, def);

    sqlite3* db = nullptr;
    const QDir dir(podaci);
    check(db, sqlite3_open(QFile::encodeName(dir.filePath("prometx.db")).constData(), &db), "open");
    try {
        const auto attach = [&](const char* file, const char* schema) {
            exec(db,
                 QStringLiteral("ATTACH DATABASE '%1' AS %2")
                     .arg(dir.filePath(QString::fromLatin1(file)), QString::fromLatin1(schema)));
        };
        attach("magacin.db", "m");
        attach("masina.db", "s");
        attach("korisnici.db", "k");
        for (const char* schema : {"main", "m", "s", "k"})
            exec(db, QStringLiteral("PRAGMA %1.synchronous=OFF; PRAGMA %1.journal_mode=OFF;")
                         .arg(QString::fromLatin1(schema)));
        exec(db, QStringLiteral("PRAGMA cache_size=-200000"));
        const QStringList ledgerIndexes = dropIndexes(db, QStringLiteral("main"));
        const QStringList articleIndexes = dropIndexes(db, QStringLiteral("m"));

        std::mt19937 random(20240611);
        std::vector<Article> articles;
        exec(db, QStringLiteral("BEGIN"));
        writeArticles(db, articles, random);
        const LedgerCounts counts = writeLedger(db, articles, random);
        writeSmallTables(db);
        for (const QString& sql : ledgerIndexes + articleIndexes)
            exec(db, sql);
        exec(db, QStringLiteral("COMMIT"));
        sqlite3_close(db);
        db = nullptr;

        QStringList company(TextFiles::kCompanyFieldCount, QString());
        company[0] = QStringLiteral("Benchmark d.o.o.");
        TextFiles::replaceLines(dir.filePath("firma.txt"), company);
        TextFiles::replaceLines(dir.filePath("oprema.txt"), {QStringLiteral("1")});
        TextFiles::replaceLines(dir.filePath("dokument.txt"), {QString::number(counts.documents)});
        TextFiles::replaceLines(dir.filePath("otpremnica.txt"), {QString::number(counts.issues)});
        TextFiles::replaceLines(dir.filePath("ulaz.txt"), {QString::number(counts.receipts)});
        TextFiles::replaceLines(dir.filePath("predracun.txt"), {QStringLiteral("0")});
        TextFiles::replaceLines(dir.filePath("rnalog.txt"), {QStringLiteral("0")});
        QStringList names, codes;
        for (int g = 0; g < kGroupCount; ++g) {
            names.append(QString::fromLatin1(kGroups[g]));
            codes.append(QString::fromLatin1(groupCode(g)));
        }
        TextFiles::replaceLines(dir.filePath("grupe.txt"), names);
        TextFiles::replaceLines(dir.filePath("sgrupe.txt"), codes);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
}

} // namespace kestar::bench
