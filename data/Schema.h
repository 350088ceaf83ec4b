#pragma once

#include "data/Dataset.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

// How one table of the data folder is laid out: its fields in field order and its key.
struct TableDef
{
    QString name; // bare table name, also the file's name: magacin -> magacin.db
    QList<FieldDef> fields;
    QString key;                // the primary key field; "" keeps the rows in stored order
    QList<QStringList> indexes; // secondary indexes, each a list of fields
    QStringList searchFields;   // text fields with a name search index (SearchIndex)
};

// The five tables of the data folder and the maker of their files. Only the set-up tool and
// test fixtures create tables; the program itself never does.
namespace Schema {

// magacin, pmagacin, prometx, korisnici, masina.
const QList<TableDef>& tables();
// By bare name, case ignored; raises EngineError for a name that is not one of the five.
const TableDef& table(const QString& name);
// The place of the field named name among fields, letter case ignored; raises EngineError
// "Field 'NAME' not found" when there is none.
int fieldIndex(const QList<FieldDef>& fields, const QString& name);
// The field named name among fields, as fieldIndex() finds it.
const FieldDef& field(const QList<FieldDef>& fields, const QString& name);
// A secondary index as a table file holds it: named <table>_<fields joined by _>.
struct IndexDef
{
    QString name;
    QStringList fields;
    QString sql; // the statement that makes it
};
// The table's secondary indexes, the hidden order column's among them, in the order
// createTableFile makes them.
QList<IndexDef> indexes(const TableDef& def);

// Creates <folder>/<name>.db, folder being the data folder (absolute or relative to the
// working folder); a data folder whose tables are kept in a PostgreSQL database (DataStore)
// gets the table there instead. A table without key gets the hidden, indexed order column.
// Raises EngineError when the table already exists or cannot be made.
void createTableFile(const QString& folder, const TableDef& def);

// The name of the hidden order column of a table without key.
inline constexpr const char* kOrderColumn = "_ord";
// The gap left between the order values of neighbouring rows, for rows inserted between them.
inline constexpr qint64 kOrderStep = 1024;

} // namespace Schema
} // namespace kestar
