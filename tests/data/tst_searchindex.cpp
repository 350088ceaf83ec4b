#include "data/Engine.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/sql/SqlDialect.h"
#include "data/sqlite/SearchIndex.h"
#include "data/sqlite/SqliteLike.h"
#include "data/sqlite/SqliteStatement.h"
#include "platform/Regional.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <random>
#include <sqlite3.h>

using namespace kestar;
using namespace Qt::StringLiterals;

namespace {

// Letters of the names: Serbian letters in both cases, a few other Latin letters, digits,
// spaces and signs, and now and then a character the index does not fold (Greek final sigma
// and a letter outside the Basic Multilingual Plane), so that the mark is tried too.
const QString kLetters = u"abcdefghijklmnoprstuvzABCDEFGHIJKLMNOPRSTUVZ"
                         "čćžšđČĆŽŠĐäöüÄÖÜßéÉ0123456789  -/.'%_"_s;
const QStringList kOdd = {u"ς"_s, u"Σ"_s, u"ẞ"_s, QString::fromUcs4(U"\U0001D400")};

QString randomName(std::mt19937& random)
{
    const int length = 3 + int(random() % 22);
    QString name;
    for (int i = 0; i < length; ++i) {
        if (random() % 200 == 0)
            name += kOdd.at(int(random() % kOdd.size()));
        else
            name += kLetters.at(int(random() % kLetters.size()));
    }
    return name;
}

// A search text as a user types it: a piece of a name in another case, or a few letters.
QString randomSearch(std::mt19937& random, const QStringList& names)
{
    const QString& name = names.at(int(random() % names.size()));
    const int from = int(random() % name.size());
    const int length = 1 + int(random() % 6);
    QString text = name.mid(from, length);
    return random() % 2 ? text.toUpper() : text.toLower();
}

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_folder = std::make_unique<test::TestFolder>();
        Schema::createTableFile(QDir(m_folder->path()).filePath(u"podaci"_s),
                                Schema::table(u"magacin"_s));
        m_engine = std::make_unique<Engine>();
    }
    void cleanup()
    {
        m_engine.reset();
        m_folder.reset();
        m_regional.reset();
    }

    void indexedSearchAnswersAsTheScan()
    {
        std::mt19937 random(17);
        QStringList names;
        for (int i = 0; i < 3000; ++i)
            names.append(randomName(random));
        fill(names);

        QStringList searches = {u""_s,   u"a"_s,    u"Č"_s,       u"ž"_s,   u"dj"_s,
                                u"ŠĐ"_s, u"%"_s,    u"_"_s,       u"a_b"_s, u"a%b"_s,
                                u"'"_s,  u"''"_s,   u"ß"_s,       u"ς"_s,   u"σ"_s,
                                u"ss"_s, u"xyzq"_s, u"ARTIKAL"_s, u"čćž"_s, u"ČĆŽ"_s};
        for (int i = 0; i < 80; ++i)
            searches.append(randomSearch(random, names));
        for (const QString& text : std::as_const(searches))
            QCOMPARE(search(text), scan(text));

        // The triggers keep the index in step with edits, inserts and deletes.
        {
            auto items = std::make_unique<Table>(*m_engine, u"podaci/magacin"_s);
            items->open();
            Transaction transaction(*m_engine);
            for (int i = 0; i < 300; ++i) {
                items->moveTo(qint64(random() % items->rowCount()));
                if (i % 3 == 0) {
                    items->remove();
                } else {
                    items->edit();
                    items->setText(u"NAZIV"_s, randomName(random));
                    items->post();
                }
            }
            items->insert();
            items->setText(u"SIFRA"_s, u"NOVI"_s);
            items->setText(u"NAZIV"_s, u"Novi ČEP šrafa"_s);
            items->post();
            transaction.commit();
        }
        for (const QString& text : std::as_const(searches))
            QCOMPARE(search(text), scan(text));
        QCOMPARE(search(u"čep Š"_s), QStringList{u"NOVI"_s});

        // The answer comes from the index: a row taken out of the index alone is no longer
        // found, though its name matches.
        const QString before = QStringList(search(u"čep š"_s)).join(u","_s);
        QCOMPARE(before, u"NOVI"_s);
        m_engine.reset();
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_folder->dataPath(u"magacin.db"_s)), &db),
                 SQLITE_OK);
        sqliteExec(db, u"INSERT INTO magacin_NAZIV_trigrams(magacin_NAZIV_trigrams, rowid, NAZIV) "
                       "SELECT 'delete', rowid, NAZIV || char(1, 1) FROM magacin WHERE "
                       "SIFRA = 'NOVI'"_s);
        sqlite3_close(db);
        m_engine = std::make_unique<Engine>();
        QCOMPARE(search(u"čep š"_s), QStringList());
        QCOMPARE(scan(u"čep š"_s), QStringList{u"NOVI"_s});
    }

    void olderFileGetsItsIndexesOnFirstOpen()
    {
        std::mt19937 random(5);
        QStringList names;
        for (int i = 0; i < 2000; ++i)
            names.append(randomName(random));
        fill(names);
        Schema::createTableFile(QDir(m_folder->path()).filePath(u"podaci"_s),
                                Schema::table(u"prometx"_s));
        m_engine.reset();

        // Files as an older version made them: no secondary indexes, no search index.
        for (const QString& file : {u"magacin.db"_s, u"prometx.db"_s}) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(m_folder->dataPath(file)), &db), SQLITE_OK);
            QStringList drops;
            SqliteStatement objects(db, u"SELECT type, name FROM sqlite_master WHERE type IN "
                                        "('index', 'trigger') AND sql IS NOT NULL OR "
                                        "name LIKE '%trigrams'"_s);
            while (objects.step())
                drops.append(u"DROP %1 IF EXISTS \"%2\""_s.arg(objects.column(0).toString(),
                                                               objects.column(1).toString()));
            objects.reset();
            for (const QString& drop : std::as_const(drops))
                sqliteExec(db, drop);
            QCOMPARE(objectCount(db), 0);
            sqlite3_close(db);
        }

        m_engine = std::make_unique<Engine>();
        for (const QString& text : {u"a"_s, u"čć"_s, u"ARTI"_s, u"Šđ"_s})
            QCOMPARE(search(text), scan(text));
        auto ledger = std::make_unique<Table>(*m_engine, u"podaci/prometx"_s);
        ledger->open();
        m_engine.reset();
        for (const QString& file : {u"magacin.db"_s, u"prometx.db"_s}) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(m_folder->dataPath(file)), &db), SQLITE_OK);
            QVERIFY2(objectCount(db) > 0, qPrintable(file));
            for (const Schema::IndexDef& index :
                 Schema::indexes(Schema::table(QString(file).remove(u".db"_s)))) {
                SqliteStatement found(db, u"SELECT 1 FROM sqlite_master WHERE name = ?1"_s);
                found.bind(1, index.name);
                QVERIFY2(found.step(), qPrintable(index.name));
                found.reset();
            }
            SqliteStatement check(db, u"PRAGMA integrity_check"_s);
            QVERIFY(check.step());
            QCOMPARE(check.column(0).toString(), u"ok"_s);
            check.reset();
            sqlite3_close(db);
        }
        m_engine = std::make_unique<Engine>();
        QCOMPARE(search(u"ARTI"_s), scan(u"ARTI"_s));
    }

private:
    void fill(const QStringList& names)
    {
        auto items = std::make_unique<Table>(*m_engine, u"podaci/magacin"_s);
        items->open();
        Transaction transaction(*m_engine);
        for (int i = 0; i < names.size(); ++i) {
            items->insert();
            items->setText(u"SIFRA"_s, u"S%1"_s.arg(i, 5, 10, QLatin1Char('0')));
            items->setText(u"NAZIV"_s, names.at(i));
            items->post();
        }
        transaction.commit();
    }

    static int objectCount(sqlite3* db)
    {
        SqliteStatement count(db, u"SELECT count(*) FROM sqlite_master WHERE type IN ('index', "
                                  "'trigger') AND sql IS NOT NULL OR name LIKE '%trigrams'"_s);
        count.step();
        const int objects = count.columnInt(0);
        count.reset();
        return objects;
    }

    // The codes the chooser's statement finds, read through to the end.
    QStringList search(const QString& text)
    {
        auto query = std::make_unique<Query>(
            *m_engine,
            u"Select * from podaci\\magacin where (NAZIV LIKE '%"_s + sql::quoted(text) + u"%')"_s);
        query->setInPages(true);
        query->open();
        QStringList codes;
        for (query->first(); !query->eof(); query->next())
            codes.append(query->text(u"SIFRA"_s));
        return codes;
    }

    // The same rows found by walking the table in its order and matching every name.
    QStringList scan(const QString& text)
    {
        auto items = std::make_unique<Table>(*m_engine, u"podaci/magacin"_s);
        items->open();
        QStringList codes;
        const QString pattern = u"%"_s + text + u"%"_s;
        for (items->first(); !items->eof(); items->next()) {
            if (likeMatches(pattern, items->text(u"NAZIV"_s)))
                codes.append(items->text(u"SIFRA"_s));
        }
        return codes;
    }

    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<test::TestFolder> m_folder;
    std::unique_ptr<Engine> m_engine;
};

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "tst_searchindex.moc"
