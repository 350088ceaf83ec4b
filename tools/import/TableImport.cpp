#include "tools/import/TableImport.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "tools/import/ImportReport.h"
#include "tools/import/MemoFile.h"
#include "tools/import/OldValueConversion.h"
#include "tools/import/ParadoxTable.h"

#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

extern "C" {
#include <paradox.h>
}

namespace kestar {

namespace {

constexpr const char* kDefaultCodec = "windows-1250";
constexpr int kMemoPointerSize = 10;

struct NewRow
{
    int oldRow = 0;     // 1-based record number in the old table
    QStringList values; // one per new field; "" leaves it empty
};

bool isTextMemo(int type)
{
    return type == pxfMemoBLOb || type == pxfFmtMemoBLOb;
}

// Reads the old rows into the text forms of the new fields.
class RowReader
{
public:
    RowReader(const TableDef& def, ParadoxTable& old, MemoFile& memo, int codePage,
              ImportReport& report)
        : m_def(def), m_old(old), m_memo(memo), m_report(report)
    {
        chooseDecoder(codePage);
        mapFields();
    }

    // The text forms of the new fields from one old record; row counts from 1.
    NewRow convert(const QByteArray& record, int row)
    {
        NewRow converted;
        converted.oldRow = row;
        converted.values = QStringList(m_def.fields.size(), QString());
        const QList<ParadoxField>& fields = m_old.fields();
        for (int i = 0; i < fields.size(); ++i) {
            const ParadoxField& field = fields.at(i);
            OldValue value = m_old.value(record, field);
            const int target = m_target.at(i);
            if (target < 0) {
                if (value.kind != OldValue::Kind::Null)
                    ++m_rowsWithData[i];
                continue;
            }
            if (value.kind == OldValue::Kind::Memo)
                value = readMemo(value, field, row);
            else if (value.kind == OldValue::Kind::Text)
                value.text = decode(value.bytes);
            const FieldDef& def = m_def.fields.at(target);
            const OldValueConversion::Converted result =
                OldValueConversion::toField(value, def.type);
            if (!result.error.isEmpty()) {
                m_report.addValueProblem(
                    m_def.name, row, def.name, OldValueConversion::shown(value),
                    result.error + QStringLiteral("; the field was left empty"));
                continue;
            }
            converted.values[target] = result.text;
        }
        return converted;
    }

    // Old fields without a place in the new table, once every record has been converted.
    void reportUnplaced()
    {
        const QList<ParadoxField>& fields = m_old.fields();
        for (int i = 0; i < fields.size(); ++i) {
            if (m_target.at(i) < 0)
                m_report.addUnplacedField(m_def.name, fields.at(i).name,
                                          ParadoxTable::typeName(fields.at(i).type),
                                          m_rowsWithData.at(i));
        }
    }

private:
    void chooseDecoder(int given)
    {
        const int codePage = given != 0 ? given : m_old.codePage();
        const QString name = TableImport::codecName(codePage);
        if (!name.isEmpty()) {
            m_decoder = QStringDecoder(name.toLatin1().constData());
            if (m_decoder.isValid()) {
                // Tables made under a language driver that does not match the text typed into
                // them read wrongly in the code page their header names: say which one was used.
                m_report.addNote(QStringLiteral("%1: text read in code page %2 (%3)")
                                     .arg(m_def.name)
                                     .arg(codePage)
                                     .arg(given != 0 ? QStringLiteral("given by --codepage")
                                                     : QStringLiteral("named by the table")));
                if (given == 0 && codePage != 1250 && codePage != 852)
                    m_report.addNote(QStringLiteral("%1: if letters such as č ć š ž đ read wrongly "
                                                    "in the new tables, import again with "
                                                    "--codepage 1250 (or 852)")
                                         .arg(m_def.name));
                return;
            }
            m_report.addProblem(QStringLiteral("%1: the table names code page %2, which this "
                                               "computer cannot convert; its text was read as "
                                               "Windows-1250")
                                    .arg(m_def.name)
                                    .arg(codePage));
        } else {
            m_report.addNote(QStringLiteral("%1: the table names no code page; its text was read "
                                            "as Windows-1250")
                                 .arg(m_def.name));
        }
        m_decoder = QStringDecoder(kDefaultCodec);
        if (!m_decoder.isValid())
            throw EngineError(QStringLiteral("The code page Windows-1250 is not available on this "
                                             "computer, so the old tables cannot be read"));
    }

    void mapFields()
    {
        const QList<ParadoxField>& fields = m_old.fields();
        QList<bool> placed(m_def.fields.size(), false);
        for (int i = 0; i < fields.size(); ++i) {
            int target = -1;
            for (int j = 0; j < m_def.fields.size(); ++j) {
                if (!placed.at(j) && m_def.fields.at(j).name.compare(fields.at(i).name.trimmed(),
                                                                     Qt::CaseInsensitive) == 0) {
                    target = j;
                    placed[j] = true;
                    break;
                }
            }
            m_target.append(target);
            m_rowsWithData.append(0);
        }
        QStringList missing;
        for (int j = 0; j < m_def.fields.size(); ++j) {
            if (!placed.at(j))
                missing.append(m_def.fields.at(j).name);
        }
        if (missing.size() == 1)
            m_report.addNote(QStringLiteral("%1: the old table has no field %2; it stays empty")
                                 .arg(m_def.name, missing.first()));
        else if (!missing.isEmpty())
            m_report.addNote(QStringLiteral("%1: the old table has no fields %2; they stay empty")
                                 .arg(m_def.name, missing.join(QStringLiteral(", "))));
    }

    QString decode(const QByteArray& bytes)
    {
        QByteArray text = bytes;
        while (text.endsWith('\0'))
            text.chop(1);
        return m_decoder.decode(text);
    }

    // A memo field's value as text, or Binary for a picture or other binary object.
    OldValue readMemo(const OldValue& stored, const ParadoxField& field, int row)
    {
        const MemoFile::Result memo = m_memo.read(stored.bytes, field.type == pxfGraphic);
        OldValue value;
        if (!memo.error.isEmpty()) {
            // Keep what the record itself holds: the memo's leading part.
            const QByteArray leading = stored.bytes.left(stored.bytes.size() - kMemoPointerSize);
            if (isTextMemo(field.type))
                value.text = decode(leading.left(qstrnlen(leading.constData(), leading.size())));
            m_report.addValueProblem(
                m_def.name, row, field.name, QStringLiteral("(memo)"),
                QStringLiteral("the memo cannot be read: %1; %2")
                    .arg(memo.error, value.text.isEmpty()
                                         ? QStringLiteral("the field was left empty")
                                         : QStringLiteral("kept its first %1 characters")
                                               .arg(value.text.size())));
            value.kind = value.text.isEmpty() ? OldValue::Kind::Null : OldValue::Kind::Text;
            return value;
        }
        if (memo.data.isEmpty())
            return value;
        if (isTextMemo(field.type)) {
            value.kind = OldValue::Kind::Text;
            value.text = decode(memo.data);
        } else {
            value.kind = OldValue::Kind::Binary;
            value.bytes = memo.data;
        }
        return value;
    }

    const TableDef& m_def;
    ParadoxTable& m_old;
    MemoFile& m_memo;
    ImportReport& m_report;
    QStringDecoder m_decoder;
    QList<int> m_target; // per old field: index of the new field, -1 for none
    QList<int> m_rowsWithData;
};

// Writes one converted row as a pending insert and posts it; false when the row was refused.
bool writeRow(Table& table, const TableDef& def, const NewRow& row, ImportReport& report)
{
    table.insert();
    for (int i = 0; i < def.fields.size(); ++i) {
        const QString& text = row.values.at(i);
        // An empty text field holds the empty text, as the program writes it; only the other
        // kinds of field stay NULL.
        if (text.isEmpty() && def.fields.at(i).type != FieldType::Text)
            continue;
        try {
            table.setText(def.fields.at(i).name, text);
        } catch (const EngineError& error) {
            report.addValueProblem(def.name, row.oldRow, def.fields.at(i).name,
                                   QLatin1Char('\'') + text + QLatin1Char('\''),
                                   error.text() + QStringLiteral("; the field was left empty"));
        }
    }
    try {
        table.post();
        return true;
    } catch (const EngineError& error) {
        table.cancel();
        QString why = QStringLiteral("not written: %1").arg(error.text());
        for (int i = 0; i < def.fields.size(); ++i) {
            if (!def.key.isEmpty() && def.fields.at(i).name == def.key)
                why += QStringLiteral(" (%1 '%2')").arg(def.key, row.values.at(i));
        }
        report.addRowProblem(def.name, row.oldRow, why);
        return false;
    }
}

} // namespace

QString TableImport::codecName(int codePage)
{
    if (codePage <= 0)
        return {};
    if (codePage >= 1250 && codePage <= 1258)
        return QStringLiteral("windows-%1").arg(codePage);
    return QStringLiteral("IBM%1").arg(codePage);
}

QHash<QString, qint64> TableImport::run(Engine& engine, const QString& newTablePath,
                                        const TableDef& def, ParadoxTable& old, MemoFile& memo,
                                        int codePage, ImportReport& report)
{
    RowReader reader(def, old, memo, codePage, report);
    auto table = std::make_unique<Table>(engine, newTablePath);
    table->open();
    int written = 0;
    QHash<QString, qint64> largest;
    {
        Transaction transaction(engine);
        // A new row goes in front of the current one, and after a post the new row is the
        // current one: a table in stored order keeps the old order when its last row is written
        // first. A keyed table places every row by its key.
        old.forEachRecord(def.key.isEmpty(), [&](int recno, const QByteArray& record) {
            const NewRow row = reader.convert(record, recno + 1);
            if (!writeRow(*table, def, row, report))
                return;
            ++written;
            for (int i = 0; i < def.fields.size(); ++i) {
                if (def.fields.at(i).type != FieldType::Integer || row.values.at(i).isEmpty())
                    continue;
                const qint64 value = row.values.at(i).toLongLong();
                const auto known = largest.constFind(def.fields.at(i).name);
                if (known == largest.cend() || value > *known)
                    largest.insert(def.fields.at(i).name, value);
            }
        });
        reader.reportUnplaced();
        transaction.commit();
    }
    table->close();
    report.setCounts(def.name, old.recordCount(), written);
    return largest;
}

} // namespace kestar
