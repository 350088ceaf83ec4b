#include "data/sqlite/SearchIndex.h"

#include "data/sqlite/SqliteStatement.h"

#include <QSet>

namespace kestar::SearchIndex {

namespace {

// The characters the index folds exactly as the program's LIKE (QString::toCaseFolded) does,
// one for one: Latin, Greek and Cyrillic, less the few letters that Unicode gained after the
// folding tables of SQLite were made.
struct Range
{
    char16_t first;
    char16_t last;
};
constexpr Range kFolded[] = {{0x0001, 0x037E}, {0x0380, 0x0527}};

// What follows every indexed text, and the trigram that marks a text holding a character
// outside kFolded.
const QString kPad = QStringLiteral("char(1, 1)");
const QString kMark = QString(3, QChar(2));
const QString kMarkSql = QStringLiteral("char(2, 2, 2)");

bool folded(QChar c)
{
    for (const Range& range : kFolded) {
        if (c.unicode() >= range.first && c.unicode() <= range.last)
            return true;
    }
    return false;
}

QString quotedName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString ftsString(const QString& text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// The text a trigger indexes for a value of the field: the value, the pad, and the mark when
// the value holds a character outside kFolded (or a NUL, where the trigram tokenizer stops).
QString indexedText(const QString& value)
{
    QStringList ranges;
    for (const Range& range : kFolded)
        ranges.append(
            QStringLiteral("char(%1) || '-' || char(%2)").arg(range.first).arg(range.last));
    const QString outside =
        QStringLiteral("'*[^' || %1 || ']*'").arg(ranges.join(QStringLiteral(" || ")));
    return QStringLiteral("%1 || %2 || CASE WHEN %1 GLOB (%3) OR instr(%1, char(0)) > 0 THEN %4 "
                          "ELSE '' END")
        .arg(value, kPad, outside, kMarkSql);
}

QString termsTable(const QString& schema, const QString& index)
{
    return schema + QLatin1Char('_') + index + QStringLiteral("_terms");
}

} // namespace

QString indexName(const QString& table, const QString& field)
{
    return table + QLatin1Char('_') + field + QStringLiteral("_trigrams");
}

QStringList createStatements(const QString& table, const QString& field)
{
    const QString index = indexName(table, field);
    const QString i = quotedName(index);
    const QString t = quotedName(table);
    const QString f = quotedName(field);
    const QString newText = indexedText(QStringLiteral("new.") + f);
    const QString oldText = indexedText(QStringLiteral("old.") + f);
    // Contentless (the table holds the texts), no positions (only which rows hold a trigram).
    return {
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, content='', columnsize=0, "
                       "detail=none, tokenize='trigram case_sensitive 0')")
            .arg(i, f),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN INSERT INTO %3(rowid, %4) "
                       "VALUES (new.rowid, %5); END")
            .arg(quotedName(index + QStringLiteral("_insert")), t, i, f, newText),
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN INSERT INTO %3(%3, rowid, %4) "
                       "VALUES ('delete', old.rowid, %5); END")
            .arg(quotedName(index + QStringLiteral("_delete")), t, i, f, oldText),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %4 ON %2 BEGIN INSERT INTO %3(%3, rowid, "
                       "%4) VALUES ('delete', old.rowid, %5); INSERT INTO %3(rowid, %4) VALUES "
                       "(new.rowid, %6); END")
            .arg(quotedName(index + QStringLiteral("_update")), t, i, f, oldText, newText),
        QStringLiteral("INSERT INTO %1(rowid, %2) SELECT rowid, %3 FROM %4")
            .arg(i, f, indexedText(f), t),
    };
}

std::optional<Lookup> lookup(const QString& pattern)
{
    QStringList runs;
    QString run;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_')) {
            if (!run.isEmpty())
                runs.append(std::exchange(run, QString()));
            continue;
        }
        if (!folded(c))
            return std::nullopt;
        run.append(c);
    }
    if (!run.isEmpty())
        runs.append(run);
    if (runs.isEmpty())
        return std::nullopt;

    // Trigrams side by side, and the last one of each run, cover every character of the runs:
    // as selective as all of them nearly always, and an FTS5 query's cost grows with its terms.
    QStringList trigrams;
    QString longest;
    for (const QString& plain : std::as_const(runs)) {
        for (qsizetype i = 0; plain.size() >= 3; i += 3) {
            const qsizetype at = qMin(i, plain.size() - 3);
            const QString trigram = ftsString(plain.mid(at, 3));
            if (!trigrams.contains(trigram))
                trigrams.append(trigram);
            if (at + 3 >= plain.size())
                break;
        }
        if (plain.size() > longest.size())
            longest = plain;
    }
    Lookup wanted;
    if (!trigrams.isEmpty())
        wanted.match = trigrams.join(QStringLiteral(" AND "));
    else
        wanted.prefix = longest.toCaseFolded();
    return wanted;
}

std::optional<QList<qint64>>
candidates(sqlite3* db, const std::function<SqliteStatement&(const QString&)>& prepared,
           const QString& schema, const QString& table, const QString& field,
           const QString& pattern, int limit)
{
    const std::optional<Lookup> wanted = lookup(pattern);
    if (!wanted)
        return std::nullopt;
    const QString index = indexName(table, field);
    QSet<qint64> rows;
    if (!wanted->match.isEmpty()) {
        SqliteStatement& find =
            prepared(QStringLiteral("SELECT rowid FROM %1.%2 WHERE %2 MATCH ?1 LIMIT ?2")
                         .arg(quotedName(schema), quotedName(index)));
        // The texts holding a character the index does not fold are asked for on their own:
        // in one query with the others they would keep FTS5 from stopping at the limit.
        for (const QString& match : {wanted->match, ftsString(kMark)}) {
            find.bind(1, match);
            find.bind(2, limit + 1);
            while (find.step())
                rows.insert(find.columnInt(0));
            find.reset();
            if (rows.size() > limit)
                return std::nullopt;
        }
        return rows.values();
    }

    // Every run of one or two characters of a text begins one of its trigrams (the pad sees to
    // the last two): the rows holding a term that begins with the run.
    const QString terms = quotedName(termsTable(schema, index));
    sqliteExec(db,
               QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS temp.%1 USING fts5vocab(%2, %3, "
                              "'instance')")
                   .arg(terms, quotedName(schema), quotedName(index)));
    const qint64 instances = qint64(limit) * 4;
    SqliteStatement& range =
        prepared(QStringLiteral("SELECT doc FROM temp.%1 WHERE term >= ?1 AND term < ?2 LIMIT ?3")
                     .arg(terms));
    range.bind(1, wanted->prefix);
    const char32_t last = 0x10FFFF;
    range.bind(2, wanted->prefix + QString::fromUcs4(&last, 1));
    range.bind(3, instances + 1);
    qint64 seen = 0;
    while (range.step()) {
        rows.insert(range.columnInt(0));
        ++seen;
    }
    range.reset();
    if (seen > instances)
        return std::nullopt;
    SqliteStatement& marked =
        prepared(QStringLiteral("SELECT doc FROM temp.%1 WHERE term = ?1").arg(terms));
    marked.bind(1, kMark);
    while (marked.step())
        rows.insert(marked.columnInt(0));
    marked.reset();
    if (rows.size() > limit)
        return std::nullopt;
    return rows.values();
}

} // namespace kestar::SearchIndex
