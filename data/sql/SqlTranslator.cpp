#include "data/sql/SqlTranslator.h"

#include "data/Backend.h"
#include "data/EngineError.h"

#include <QDate>
#include <algorithm>
#include <cmath>

namespace kestar::sql {

using namespace Qt::StringLiterals;

namespace {

bool containsName(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

bool hasSum(const ast::Select& select)
{
    return std::any_of(select.items.begin(), select.items.end(), [](const ast::SelectItem& item) {
        return item.kind == ast::SelectItem::Kind::Sum;
    });
}

} // namespace

QString quotedName(const QString& name)
{
    return u'"' + QString(name).replace(u"\""_s, u"\"\""_s) + u'"';
}

QString quotedLiteral(const QString& text)
{
    return u'\'' + QString(text).replace(u"'"_s, u"''"_s) + u'\'';
}

SqlTranslator::SqlTranslator(const ast::Select& select, const TableInfo& table,
                             const Backend* backend)
    : m_select(select), m_table(table), m_backend(backend),
      m_grouped(!select.groupBy.empty() || hasSum(select))
{
}

Translation SqlTranslator::translate() const
{
    Translation translation;
    translation.table = m_select.table.text;
    translation.live = !m_grouped;

    QStringList groupFields;
    for (const ast::Name& name : m_select.groupBy)
        groupFields << field(name);
    checkGrouping(groupFields);

    QStringList selected = resultColumns(translation);
    if (translation.live)
        selected.prepend(u"_rowid_ AS \"_rowid_\""_s);

    QStringList sumAliases;
    for (const ast::SelectItem& item : m_select.items) {
        if (item.kind == ast::SelectItem::Kind::Sum && item.alias)
            sumAliases << item.alias->text.toUpper();
    }

    QString where;
    if (m_select.where) {
        where = condition(*m_select.where);
        collectLikes(*m_select.where, translation.likes);
    }
    QString tail;
    if (!groupFields.isEmpty()) {
        QStringList terms;
        for (const QString& name : groupFields)
            terms << quotedName(name);
        tail += u" GROUP BY "_s + terms.join(u", "_s);
    }
    const QStringList order = orderTerms(sumAliases, groupFields);
    if (!order.isEmpty())
        tail += u" ORDER BY "_s + order.join(u", "_s);

    const QString select = u"SELECT "_s + selected.join(u", "_s) + u" FROM "_s + m_table.qualified;
    const auto whereOf = [&where](const QString& more) {
        if (where.isEmpty())
            return more.isEmpty() ? QString() : u" WHERE "_s + more;
        return u" WHERE "_s + (more.isEmpty() ? where : u'(' + where + u") AND "_s + more);
    };
    translation.sqlite = select + whereOf({}) + tail;
    const QString rowIds =
        m_backend ? m_backend->rowIdIn(u"?1"_s) : u"SELECT value FROM json_each(?1)"_s;
    translation.restricted = select + whereOf(u"_rowid_ IN ("_s + rowIds + u')') + tail;

    if (translation.live && m_select.orderBy.empty() && m_table.natural.size() == 1) {
        // Pages follow the natural order, the row id breaking ties, each one starting after the
        // order values of the last row read.
        const QString natural = quotedName(m_table.natural.first());
        const bool byRowid = m_table.natural.first() == u"_rowid_"_s;
        const QString keys = byRowid ? u", _rowid_"_s : u", "_s + natural + u", _rowid_"_s;
        const QString paged =
            u"SELECT "_s + selected.join(u", "_s) + keys + u" FROM "_s + m_table.qualified;
        const QString ordered = byRowid ? u" ORDER BY _rowid_ ASC"_s
                                        : u" ORDER BY "_s + natural + u" ASC, _rowid_ ASC"_s;
        translation.pageKeys = byRowid ? 1 : 2;
        translation.firstPage = paged + whereOf({}) + ordered + u" LIMIT ?1"_s;
        translation.nextPage =
            paged +
            whereOf(byRowid ? u"_rowid_ > ?1"_s
                            : u"(%1 >= ?1 AND (%1 > ?1 OR _rowid_ > ?2))"_s.arg(natural)) +
            ordered + (byRowid ? u" LIMIT ?2"_s : u" LIMIT ?3"_s);
    }
    return translation;
}

void SqlTranslator::collectLikes(const ast::Condition& condition,
                                 QList<std::pair<QString, QString>>& likes) const
{
    using Kind = ast::Condition::Kind;
    if (condition.kind == Kind::And) {
        collectLikes(*condition.first, likes);
        collectLikes(*condition.second, likes);
    } else if (condition.kind == Kind::Like && condition.left.kind == ast::Operand::Kind::Field &&
               condition.right.kind == ast::Operand::Kind::String) {
        likes.append({field({condition.left.text, condition.left.position}), condition.right.text});
    }
}

QString SqlTranslator::field(const ast::Name& name) const
{
    for (const QString& stored : m_table.fields) {
        if (stored.compare(name.text, Qt::CaseInsensitive) == 0)
            return stored;
    }
    throw EngineError(u"Invalid field name: %1"_s.arg(name.text));
}

QStringList SqlTranslator::resultColumns(Translation& translation) const
{
    QStringList selected;
    auto add = [&](const QString& expression, const QString& name) {
        if (containsName(translation.columns, name))
            throw EngineError(u"Duplicate column name: %1"_s.arg(name));
        translation.columns << name;
        selected << expression + u" AS "_s + quotedName(name);
    };
    if (m_select.star) {
        for (const QString& stored : m_table.fields)
            add(quotedName(stored), stored);
        return selected;
    }
    for (const ast::SelectItem& item : m_select.items) {
        const QString stored = field(item.field);
        if (item.kind == ast::SelectItem::Kind::Field) {
            add(quotedName(stored), stored);
            continue;
        }
        const QString name = item.alias ? item.alias->text.toUpper() : u"SUM OF "_s + stored;
        add(u"SUM("_s + quotedName(stored) + u')', name);
    }
    return selected;
}

void SqlTranslator::checkGrouping(const QStringList& groupFields) const
{
    if (!m_grouped)
        return;
    // SQLite would take any row's value for a field that is neither grouped nor summed; such a
    // result is arbitrary, so it is refused.
    auto check = [&](const QString& stored) {
        if (!containsName(groupFields, stored))
            throw EngineError(u"Field %1 must be in GROUP BY or summed"_s.arg(stored));
    };
    if (m_select.star) {
        for (const QString& stored : m_table.fields)
            check(stored);
        return;
    }
    for (const ast::SelectItem& item : m_select.items) {
        if (item.kind == ast::SelectItem::Kind::Field)
            check(field(item.field));
    }
}

QStringList SqlTranslator::orderTerms(const QStringList& sumAliases,
                                      const QStringList& groupFields) const
{
    QStringList ordered; // stored names or aliases, to skip them in the tie-break
    QStringList terms;
    for (const ast::OrderItem& item : m_select.orderBy) {
        QString name = item.name.text.toUpper();
        if (!containsName(sumAliases, name)) {
            name = field(item.name);
            if (m_grouped && !containsName(groupFields, name))
                throw EngineError(u"ORDER BY field %1 must be in GROUP BY"_s.arg(name));
        }
        ordered << name;
        terms << orderTerm(quotedName(name), item.descending);
    }

    // A whole-table SUM gives one row; it has no order to keep.
    if (m_grouped && groupFields.isEmpty())
        return terms;
    for (const QString& name : m_grouped ? groupFields : m_table.natural) {
        if (!containsName(ordered, name)) {
            ordered << name;
            terms << orderTerm(quotedName(name), false);
        }
    }
    return terms;
}

QString SqlTranslator::condition(const ast::Condition& condition) const
{
    using Kind = ast::Condition::Kind;
    switch (condition.kind) {
    case Kind::And:
    case Kind::Or:
        return u'(' + this->condition(*condition.first) +
               (condition.kind == Kind::And ? u" AND "_s : u" OR "_s) +
               this->condition(*condition.second) + u')';
    case Kind::Equal:
        return comparison(condition, u"="_s);
    case Kind::NotEqual:
        return comparison(condition, u"<>"_s);
    case Kind::Like:
        return like(condition);
    }
    return QString();
}

QString SqlTranslator::orderTerm(const QString& column, bool descending) const
{
    if (m_backend)
        return m_backend->orderTerm(column, descending);
    return column + (descending ? u" DESC"_s : u" ASC"_s);
}

std::optional<FieldType> SqlTranslator::typeOf(const ast::Operand& operand) const
{
    if (operand.kind != ast::Operand::Kind::Field)
        return std::nullopt;
    const QString stored = field({operand.text, operand.position});
    const qsizetype index = m_table.fields.indexOf(stored);
    if (index < 0 || index >= m_table.types.size())
        return std::nullopt;
    return m_table.types.at(index);
}

QString SqlTranslator::like(const ast::Condition& condition) const
{
    if (!m_backend)
        return operand(condition.left) + u" LIKE "_s + operand(condition.right);
    const auto text = [this](const ast::Operand& side) {
        const std::optional<FieldType> type = typeOf(side);
        return type && *type != FieldType::Text ? m_backend->asText(operand(side)) : operand(side);
    };
    return m_backend->foldingLike(text(condition.left), text(condition.right));
}

QString SqlTranslator::comparison(const ast::Condition& condition, const QString& op) const
{
    const auto plain = [&]() {
        return operand(condition.left) + u' ' + op + u' ' + operand(condition.right);
    };
    if (!m_backend || !m_backend->typedComparisons())
        return plain();
    // A backend without column affinity compares a field with a literal of the field's own
    // type: the literal is given that type as SQLite's affinity would convert it, and a literal
    // that cannot take it matches no value (= is false, <> true for every value that is there).
    const bool fieldLeft = condition.left.kind == ast::Operand::Kind::Field;
    const ast::Operand& fieldSide = fieldLeft ? condition.left : condition.right;
    const ast::Operand& literal = fieldLeft ? condition.right : condition.left;
    const std::optional<FieldType> type = typeOf(fieldSide);
    if (!type || literal.kind == ast::Operand::Kind::Field)
        return plain();
    const QString column = operand(fieldSide);
    const auto unmatched = [&]() {
        return op == u"="_s ? u"false"_s : u'(' + column + u" IS NOT NULL)"_s;
    };
    QString value;
    switch (*type) {
    case FieldType::Text:
        value = quotedLiteral(literal.text);
        break;
    case FieldType::Integer:
    case FieldType::Number: {
        const QString text = literal.text.trimmed();
        bool whole = false;
        const qint64 integer = text.toLongLong(&whole);
        bool number = false;
        const double real = text.toDouble(&number);
        if (whole)
            value = QString::number(integer);
        else if (number && std::isfinite(real))
            value = QString::number(real, 'g', 17);
        else
            return unmatched();
        break;
    }
    case FieldType::Date: {
        if (literal.kind != ast::Operand::Kind::String ||
            !QDate::fromString(literal.text, Qt::ISODate).isValid() || literal.text.size() != 10)
            return unmatched();
        value = quotedLiteral(literal.text);
        break;
    }
    }
    return fieldLeft ? column + u' ' + op + u' ' + value : value + u' ' + op + u' ' + column;
}

QString SqlTranslator::operand(const ast::Operand& operand) const
{
    switch (operand.kind) {
    case ast::Operand::Kind::Field:
        return quotedName(field({operand.text, operand.position}));
    case ast::Operand::Kind::String:
        return quotedLiteral(operand.text);
    case ast::Operand::Kind::Number:
        return operand.text;
    }
    return QString();
}

} // namespace kestar::sql
