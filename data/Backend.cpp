#include "data/Backend.h"

namespace kestar {

QString Backend::spell(const QString& sql) const
{
    const QString id = rowId();
    QString spelled;
    spelled.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            spelled.append(c);
            if (c == quote)
                quote = QChar();
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            spelled.append(c);
            ++i;
            continue;
        }
        const bool wordStart = i == 0 || !(sql.at(i - 1).isLetterOrNumber() ||
                                           sql.at(i - 1) == u'_' || sql.at(i - 1) == u'.');
        if (c == u'?' && i + 1 < sql.size() && sql.at(i + 1).isDigit()) {
            qsizetype end = i + 1;
            while (end < sql.size() && sql.at(end).isDigit())
                ++end;
            spelled.append(parameter(sql.mid(i + 1, end - i - 1).toInt()));
            i = end;
            continue;
        }
        if (wordStart && (c.isLetter() || c == u'_')) {
            qsizetype end = i;
            while (end < sql.size() && (sql.at(end).isLetterOrNumber() || sql.at(end) == u'_'))
                ++end;
            const QStringView word = QStringView(sql).mid(i, end - i);
            if (word == u"rowid" || word == u"_rowid_")
                spelled.append(id);
            else
                spelled.append(word);
            i = end;
            continue;
        }
        spelled.append(c);
        ++i;
    }
    return spelled;
}

} // namespace kestar
