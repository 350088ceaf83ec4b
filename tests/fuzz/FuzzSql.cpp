// Fuzzes the SQL dialect: lexer, parser and translator, with a resolver that knows the five
// tables of the data folder. Any text may be refused with an EngineError; what is accepted must
// be one read-only SQLite statement that prepares and runs on the real tables and gives the
// columns the translation promises. A value pasted into a statement through sql::quoted must
// come back from the parser unchanged and find exactly the row that holds it.

#include "FuzzSupport.h"

#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/sql/SqlDialect.h"
#include "data/sql/SqlParser.h"

#include <QDir>
#include <QHash>

#include <sqlite3.h>

using namespace kestar;
using namespace kestar::test;
using namespace Qt::StringLiterals;

namespace {

class Tables
{
public:
    Tables()
    {
        const QString folder = scratchFolder();
        if (sqlite3_open(":memory:", &m_db) != SQLITE_OK)
            fail("cannot open SQLite", QString());
        int number = 0;
        for (const TableDef& def : Schema::tables()) {
            Schema::createTableFile(folder, def);
            const QString alias = u"t"_s + QString::number(++number);
            exec(u"ATTACH '%1' AS %2; PRAGMA %2.journal_mode=MEMORY; PRAGMA %2.synchronous=OFF;"_s
                     .arg(QDir(folder).filePath(def.name + u".db"_s), alias));
            sql::TableInfo info;
            info.qualified = u"\"%1\".\"%2\""_s.arg(alias, def.name);
            for (const FieldDef& field : def.fields)
                info.fields << field.name;
            info.natural = {def.key.isEmpty() ? QString::fromLatin1(Schema::kOrderColumn)
                                              : def.key};
            m_tables.insert(def.name, info);
        }
    }

    ~Tables() { sqlite3_close(m_db); }

    // As the engine names tables: "/" or "\" separate, the extension ".db" may be left out, and
    // letter case does not matter.
    sql::TableInfo resolve(const QString& name) const
    {
        QString bare = name.toLower().replace(u'\\', u'/');
        bare = bare.mid(bare.lastIndexOf(u'/') + 1);
        if (bare.endsWith(u".db"_s))
            bare.chop(3);
        const auto found = m_tables.constFind(bare);
        if (found == m_tables.constEnd())
            throw EngineError(u"Table does not exist: "_s + name);
        return *found;
    }

    sqlite3* db() const { return m_db; }

    void exec(const QString& sql) const
    {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
            fail("SQLite refused a set-up statement", sql + u"\n"_s + QString::fromUtf8(error));
    }

private:
    sqlite3* m_db = nullptr;
    QHash<QString, sql::TableInfo> m_tables;
};

const Tables& tables()
{
    static const Tables instance;
    return instance;
}

// Prepares the translation, checks its promises and runs it; returns the rows as text.
QList<QStringList> run(const QString& statement, const sql::Translation& translation)
{
    const QString context = u"statement: %1\nsqlite: %2"_s.arg(statement, translation.sqlite);
    const QByteArray text = translation.sqlite.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(tables().db(), text.constData(), int(text.size()), &stmt, &tail) !=
        SQLITE_OK) {
        fail("an accepted statement does not prepare",
             context + u"\nerror: "_s + QString::fromUtf8(sqlite3_errmsg(tables().db())));
    }
    if (!QByteArray(tail).trimmed().isEmpty())
        fail("an accepted statement translates to more than one statement", context);
    if (!sqlite3_stmt_readonly(stmt))
        fail("an accepted statement would write", context);

    const int first = translation.live ? 1 : 0;
    if (sqlite3_column_count(stmt) != translation.columns.size() + first)
        fail("result columns differ from the promised ones", context);
    if (translation.live && qstrcmp(sqlite3_column_name(stmt, 0), "_rowid_") != 0)
        fail("a live result does not start with the row id", context);
    for (int i = 0; i < translation.columns.size(); ++i) {
        if (QString::fromUtf8(sqlite3_column_name(stmt, i + first)) != translation.columns[i])
            fail("a result column is not named as promised", context);
    }

    QList<QStringList> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        for (int i = first; i < sqlite3_column_count(stmt); ++i)
            row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
        rows << row;
    }
    if (rc != SQLITE_DONE)
        fail("an accepted statement fails while running",
             context + u"\nerror: "_s + QString::fromUtf8(sqlite3_errmsg(tables().db())));
    sqlite3_finalize(stmt);
    return rows;
}

void translateAndRun(const QString& statement)
{
    QString resolved;
    sql::Translation translation;
    try {
        translation = sql::translate(statement, [&resolved](const QString& name) {
            resolved = name;
            return tables().resolve(name);
        });
    } catch (const EngineError& error) {
        if (error.text().isEmpty())
            fail("a refusal without a text", statement);
        return;
    }
    if (translation.table != resolved)
        fail("the translation names another table than the resolver was asked for", statement);
    run(statement, translation);
}

// A value pasted into a condition as the program pastes search texts and group names.
void quotedValueFindsItsRow(const QString& value)
{
    const QString statement =
        u"select SIFRA, NAZIV from podaci\\magacin where NAZIV='"_s + sql::quoted(value) + u"'"_s;
    sql::Translation translation;
    try {
        const sql::ast::Select select = sql::parse(statement);
        if (!select.where || select.where->right.text != value)
            fail("a quoted value does not read back unchanged", statement);
        translation =
            sql::translate(statement, [](const QString& name) { return tables().resolve(name); });
    } catch (const EngineError& error) {
        // SQLite ends a statement at its first NUL, so a value holding one is refused; no other.
        if (!value.contains(QChar(u'\0')) ||
            !error.text().startsWith(u"Invalid character U+0000"_s))
            fail("a quoted value is refused", statement + u"\n"_s + error.text());
        return;
    }

    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(tables().db(), "INSERT INTO t1.magacin (SIFRA, NAZIV) VALUES ('1', ?1)", -1,
                       &insert, nullptr);
    sqlite3_bind_text16(insert, 1, value.utf16(), int(value.size() * 2), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(insert);
    sqlite3_finalize(insert);
    if (rc != SQLITE_DONE)
        fail("cannot store the value", value);
    const QList<QStringList> rows = run(statement, translation);
    tables().exec(u"DELETE FROM t1.magacin"_s);
    if (rows.size() != 1 || rows.first().value(0) != u"1"_s)
        fail("a quoted value does not find its row", statement);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    translateAndRun(utf8Text(data, size));
    translateAndRun(latin1Text(data, size));
    translateAndRun(utf16Text(data, size));
    translateAndRun(awkwardText(data, size));
    quotedValueFindsItsRow(utf8Text(data, size));
    return 0;
}
