#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <cstdio>
#include <functional>
#include <stdexcept>

struct px_doc;

namespace kestar {

// A table or memo file of the old installation that cannot be read, in words for the person who
// runs the import.
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

// One field of an old table as its header describes it.
struct ParadoxField
{
    QString name;
    int type = 0;     // pxlib's field type (pxfAlpha, pxfLong, ...)
    int length = 0;   // bytes in the record
    int decimals = 0; // digits after the point of a BCD field
    int offset = 0;   // where the field starts in the record
};

// One value of an old record, decoded from its storage form.
struct OldValue
{
    enum class Kind
    {
        Null,
        Text,
        Integer,
        Number,
        Decimal, // a BCD number, kept as its digits ("-12.50") so no digit is lost
        Date,
        Time,
        Timestamp,
        Logical,
        Binary, // bytes of a Bytes field
        Memo    // the field as stored: leading text and the pointer into the memo file
    };
    Kind kind = Kind::Null;
    QString text; // Decimal
    qint64 integer = 0; // Integer; and the day number of a Date or Timestamp
    double number = 0;
    QDate date;
    QTime time;
    QDateTime timestamp;
    bool logical = false;
    QByteArray bytes; // Text (still in the table's code page), Binary and Memo
};

// An old table file (.DB), opened read only through pxlib. Its header is checked for plausible
// values before pxlib sees it, because pxlib trusts the header and a damaged one can crash it.
class ParadoxTable
{
public:
    // Opens the table; raises ImportError saying why when the file is missing, is not a table
    // or its header is damaged. The file is never written.
    explicit ParadoxTable(const QString& path);
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    QString path() const { return m_path; }
    const QList<ParadoxField>& fields() const { return m_fields; }
    // The code page the header names (0 when it names none).
    int codePage() const { return m_codePage; }
    // Number of leading fields that make up the primary key (0: the table has no key).
    int primaryKeyFields() const { return m_primaryKeyFields; }
    int recordCount() const { return m_recordCount; }

    // Calls take with the number (from 0 in record order) and the bytes of every record, in
    // record order or, with backward, from the last record to the first. Reads one data block
    // at a time, so a table of any size costs the memory of one block. Raises ImportError when
    // the file cannot be read.
    void forEachRecord(bool backward,
                       const std::function<void(int recno, const QByteArray& record)>& take) const;
    // The value of a field of a record; text stays in the table's code page until decoded.
    // Raises nothing: a value pxlib cannot decode comes back as Binary with its bytes.
    OldValue value(const QByteArray& record, const ParadoxField& field) const;

    // What pxlib complained about so far (warnings included), oldest first.
    QStringList messages() const { return m_messages; }

    // The text of a pxlib type, for reports: "alpha", "long", "memo", ...
    static QString typeName(int type);
    // Why a table file's header cannot be trusted, or "" when it looks sound.
    static QString headerProblem(const QByteArray& head, qint64 fileSize);

private:
    // A data block of the chain that holds the records, in record order.
    struct DataBlock
    {
        int number = 0; // counted from 1, as the links between blocks count them
        int records = 0;
        int firstRecord = 0; // number of the block's first record, from 0
    };

    static void onError(px_doc* doc, int level, const char* message, void* self);
    // Walks the chain of data blocks from the first one the header names, checking every link
    // and every block's size, and that the blocks hold as many records as the header counts.
    // Returns what is wrong, naming the block, or "" when the chain is sound.
    QString readChain(QFile& file, const QByteArray& head);
    // The first bytes of data block number (counted from 1).
    QByteArray readBlock(QFile& file, int number, int bytes) const;

    QString m_path;
    mutable QFile m_data; // the table file, read block by block
    std::FILE* m_file = nullptr;
    px_doc* m_doc = nullptr;
    QList<ParadoxField> m_fields;
    int m_codePage = 0;
    int m_primaryKeyFields = 0;
    int m_recordCount = 0;
    int m_recordSize = 0;
    int m_headerSize = 0;
    int m_blockSize = 0;
    QList<DataBlock> m_blocks;
    QStringList m_messages;
};

} // namespace kestar
