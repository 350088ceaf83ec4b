#include "data/Schema.h"

#include "data/DataStore.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/pg/PgBackend.h"
#include "data/sqlite/SearchIndex.h"
#include "data/sqlite/SqliteFile.h"

#include <QDir>
#include <QFileInfo>

namespace kestar::Schema {

namespace {

QList<FieldDef> fieldsOf(std::initializer_list<std::pair<const char*, FieldType>> list)
{
    QList<FieldDef> fields;
    for (const auto& [name, type] : list)
        fields.append({QString::fromLatin1(name), type});
    return fields;
}

QList<TableDef> makeTables()
{
    using T = FieldType;
    QList<TableDef> defs;
    defs.append({QStringLiteral("magacin"),
                 fieldsOf({{"SIFRA", T::Text},
                           {"NAZIV", T::Text},
                           {"GRUPAROBE", T::Text},
                           {"NAZIVGRUPE", T::Text},
                           {"JM", T::Text},
                           {"KOLICINA", T::Number},
                           {"MINKOLICINA", T::Number},
                           {"CENANABAVNA", T::Number},
                           {"CENAPRODAJNA", T::Number},
                           {"DATUMULAZA", T::Date},
                           {"MAGACIN1", T::Number},
                           {"MAGACIN2", T::Number},
                           {"MAGACIN3", T::Number},
                           {"MAGACIN4", T::Number},
                           {"MAGACIN5", T::Number},
                           {"PROIZVOD", T::Text},
                           {"RABAT", T::Number},
                           {"KOLICINAZANABAVKU", T::Number},
                           {"POCETNOSTANJE", T::Number}}),
                 QStringLiteral("SIFRA"),
                 {{QStringLiteral("NAZIVGRUPE")}},
                 {QStringLiteral("NAZIV")}});
    // The new articles an administrator stages are one table of the data folder like the others,
    // so on a database every workstation shares them: saving copies them into magacin in one
    // transaction of one database, and staged rows outlive a restart and a change of computer.
    // The price: two administrators staging at once see each other's rows, and a save takes
    // every staged row, the other's unfinished ones too.
    defs.append({QStringLiteral("pmagacin"),
                 fieldsOf({{"SIFRA", T::Text},
                           {"GRUPAROBE", T::Text},
                           {"NAZIVGRUPE", T::Text},
                           {"NAZIV", T::Text},
                           {"JM", T::Text},
                           {"MINKOLICINA", T::Number},
                           {"CENANABAVNA", T::Number},
                           {"CENAPRODAJNA", T::Number},
                           {"DATUMULAZA", T::Date},
                           {"PROIZVOD", T::Text},
                           {"KOLICINA", T::Number}}),
                 QString(),
                 {},
                 {}});
    defs.append({QStringLiteral("prometx"),
                 fieldsOf({{"BROJDOKUMENTA", T::Integer},
                           {"NARUDZBENICA", T::Integer},
                           {"OTPREMNICA", T::Integer},
                           {"ULAZ", T::Integer},
                           {"PREDRACUN", T::Integer},
                           {"RADNINALOG", T::Integer},
                           {"RACUN", T::Integer},
                           {"POVRATNICA", T::Integer},
                           {"UMAGACIN", T::Integer},
                           {"MAGACIN", T::Integer},
                           {"KOMENTAR", T::Text},
                           {"KOMENTAR2", T::Text},
                           {"DATUM", T::Date},
                           {"VALUTA", T::Date},
                           {"SIFRAROBE", T::Text},
                           {"NAZIV", T::Text},
                           {"NAZIVGRUPE", T::Text},
                           {"SIFRAGRUPE", T::Text},
                           {"CENA", T::Number},
                           {"KOLICINA", T::Number},
                           {"RABAT", T::Number},
                           {"UI", T::Text},
                           {"SIFRAKUPCA", T::Text},
                           {"KUPAC", T::Text},
                           {"VREDNOST", T::Number},
                           {"KORISNIK", T::Text},
                           {"SIFRAMASINE", T::Text},
                           {"SIFRAMASINE2", T::Text},
                           {"NAZIVMASINE", T::Text},
                           {"SALDO", T::Number}}),
                 QString(),
                 {{QStringLiteral("SIFRAROBE")},
                  {QStringLiteral("SIFRAMASINE"), QStringLiteral("SIFRAMASINE2")},
                  {QStringLiteral("OTPREMNICA")},
                  {QStringLiteral("ULAZ")},
                  {QStringLiteral("BROJDOKUMENTA")}},
                 {}});
    defs.append({QStringLiteral("korisnici"),
                 fieldsOf({{"SIFRA", T::Text}, {"KORISNIK", T::Text}}),
                 QString(),
                 {},
                 {}});
    defs.append(
        {QStringLiteral("masina"),
         fieldsOf({{"SIFRAMASINE", T::Text}, {"SIFRA2", T::Text}, {"NAZIVMASINE", T::Text}}),
         QString(),
         {},
         {}});
    return defs;
}

QString ident(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString createStatements(const TableDef& def)
{
    QStringList columns;
    for (const FieldDef& field : def.fields) {
        QString column = ident(field.name) + QLatin1Char(' ') + FieldValue::sqlType(field.type);
        if (field.name.compare(def.key, Qt::CaseInsensitive) == 0)
            column += QStringLiteral(" NOT NULL PRIMARY KEY");
        columns.append(column);
    }
    if (def.key.isEmpty())
        columns.append(ident(QString::fromLatin1(kOrderColumn)) +
                       QStringLiteral(" INTEGER NOT NULL DEFAULT 0"));
    QString sql = QStringLiteral("CREATE TABLE %1 (%2);").arg(ident(def.name), columns.join(", "));
    for (const IndexDef& index : indexes(def))
        sql += index.sql + QLatin1Char(';');
    for (const QString& field : def.searchFields) {
        for (const QString& statement : SearchIndex::createStatements(def.name, field))
            sql += statement + QLatin1Char(';');
    }
    return sql;
}

} // namespace

const QList<TableDef>& tables()
{
    static const QList<TableDef> defs = makeTables();
    return defs;
}

QList<IndexDef> indexes(const TableDef& def)
{
    QList<QStringList> fieldLists = def.indexes;
    if (def.key.isEmpty())
        fieldLists.prepend({QString::fromLatin1(kOrderColumn)});
    QList<IndexDef> result;
    for (const QStringList& fields : std::as_const(fieldLists)) {
        QStringList quoted;
        for (const QString& column : fields)
            quoted.append(ident(column));
        const QString name = def.name + QLatin1Char('_') + fields.join(QLatin1Char('_'));
        result.append({name, fields,
                       QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                           .arg(ident(name), ident(def.name), quoted.join(", "))});
    }
    return result;
}

const TableDef& table(const QString& name)
{
    for (const TableDef& def : tables()) {
        if (def.name.compare(name, Qt::CaseInsensitive) == 0)
            return def;
    }
    throw EngineError(QStringLiteral("Unknown table: %1").arg(name));
}

void createTableFile(const QString& folder, const TableDef& def)
{
    const QString connection = DataStore::connectionString(folder);
    if (!connection.isEmpty()) {
        PgBackend database(connection);
        try {
            database.createTable(def);
        } catch (const EngineError& error) {
            throw EngineError(
                QStringLiteral("Cannot create table %1: %2").arg(def.name, error.text()));
        }
        return;
    }
    const QString path = QDir(folder).absoluteFilePath(def.name + QStringLiteral(".db"));
    if (QFileInfo::exists(path))
        throw EngineError(QStringLiteral("Table already exists: %1").arg(path));
    if (!QFileInfo(folder).isDir())
        throw EngineError(QStringLiteral("Folder does not exist: %1").arg(folder));
    try {
        SqliteFile::create(path, createStatements(def));
    } catch (const EngineError& error) {
        throw EngineError(QStringLiteral("Cannot create table %1: %2").arg(path, error.text()));
    }
}

int fieldIndex(const QList<FieldDef>& fields, const QString& name)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    throw EngineError(QStringLiteral("Field '%1' not found").arg(name));
}

const FieldDef& field(const QList<FieldDef>& fields, const QString& name)
{
    return fields.at(fieldIndex(fields, name));
}

} // namespace kestar::Schema
