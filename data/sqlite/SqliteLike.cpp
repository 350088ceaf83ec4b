#include "data/sqlite/SqliteLike.h"

#include <QString>
#include <sqlite3.h>

namespace kestar {

namespace {

// Both sides already case folded.
bool matchFolded(QStringView pattern, QStringView text)
{
    qsizetype p = 0, t = 0;
    qsizetype starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('%')) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('_') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            // Let the last "%" swallow one more character and try again from there.
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('%'))
        ++p;
    return p == pattern.size();
}

QString textOf(sqlite3_value* value)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(data, sqlite3_value_bytes(value));
}

void destroyPattern(void* pattern)
{
    delete static_cast<QString*>(pattern);
}

void likeFunction(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The pattern is the same for every row of a statement: fold it once.
    auto* pattern = static_cast<QString*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        pattern = new QString(textOf(args[0]).toCaseFolded());
        sqlite3_set_auxdata(context, 0, pattern, destroyPattern);
        pattern = static_cast<QString*>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    const QString text = textOf(args[1]).toCaseFolded();
    sqlite3_result_int(context, matchFolded(*pattern, text) ? 1 : 0);
}

} // namespace

bool likeMatches(QStringView pattern, QStringView text)
{
    return matchFolded(pattern.toString().toCaseFolded(), text.toString().toCaseFolded());
}

void registerLike(sqlite3* db)
{
    sqlite3_create_function(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            likeFunction, nullptr, nullptr);
}

} // namespace kestar
