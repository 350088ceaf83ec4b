#include "tests/tools/OldFolderFixture.h"

#include "data/Schema.h"
#include "tools/SetupCommand.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringEncoder>
#include <QTextStream>
#include <stdexcept>

extern "C" {
#include <paradox.h>
}

namespace kestar::test::OldFolderFixture {

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray windows1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

} // namespace

QList<ParadoxColumn> columns(const QString& table)
{
    QList<ParadoxColumn> list;
    for (const FieldDef& field : Schema::table(table).fields) {
        switch (field.type) {
        case FieldType::Text:
            list.append({field.name, pxfAlpha, 40});
            break;
        case FieldType::Integer:
            list.append({field.name, pxfLong});
            break;
        case FieldType::Number:
            list.append({field.name, pxfNumber});
            break;
        case FieldType::Date:
            list.append({field.name, pxfDate});
            break;
        }
    }
    return list;
}

void writeEmptyTables(const QString& folder)
{
    for (const TableDef& def : Schema::tables()) {
        ParadoxWriter writer(columns(def.name), 1250, def.key.isEmpty() ? 0 : 1);
        writer.write(QDir(folder).filePath(def.name + QStringLiteral(".DB")));
    }
}

void writeTextFiles(const QString& folder)
{
    const QDir dir(folder);
    writeFile(dir.filePath("firma.txt"),
              windows1250(QStringLiteral("Čelik Đurđevac d.o.o.\r\nŠumadijska 7\r\nŽabalj\r\n"
                                         "021 555 111\r\n")));
    writeFile(dir.filePath("oprema.txt"), "1\r\n");
    writeFile(dir.filePath("dokument.txt"), "42\r\n");
    writeFile(dir.filePath("otpremnica.txt"), "17\r\n");
    writeFile(dir.filePath("ulaz.txt"), "9\r\n");
    writeFile(dir.filePath("predracun.txt"), "0\r\n");
    writeFile(dir.filePath("rnalog.txt"), "3\r\n");
    writeFile(dir.filePath("grupe.txt"), windows1250(QStringLiteral("Vijci\r\nČekići")));
    writeFile(dir.filePath("sgrupe.txt"), "V\r\nC");
}

QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

ImportRun runImport(const QString& oldFolder, const QString& newFolder, const QStringList& options)
{
    return runSetup(QStringList{QStringLiteral("import"), oldFolder, newFolder} + options);
}

Row blankRow(const QString& table, const Row& values)
{
    Row row;
    for (const FieldDef& field : Schema::table(table).fields)
        row.insert(field.name, QString());
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (!row.contains(it.key()))
            throw std::runtime_error("no field " + it.key().toStdString() + " in " +
                                     table.toStdString());
        row.insert(it.key(), it.value());
    }
    return row;
}

} // namespace kestar::test::OldFolderFixture
