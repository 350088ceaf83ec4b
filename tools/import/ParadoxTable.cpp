#include "tools/import/ParadoxTable.h"

#include <QFile>
#include <QFileInfo>
#include <climits>
#include <cstring>

extern "C" {
#include <paradox.h>
}

namespace kestar {

namespace {

// Where the parts of a table header stand (the fixed part is 0x58 bytes; tables of level 4 and
// later add 0x20 more before the field descriptions).
constexpr int kFixedHeader = 0x58;
constexpr int kDataHeader = 0x20;
constexpr int kRecordSize = 0x00;
constexpr int kHeaderSize = 0x02;
constexpr int kFileType = 0x04;
constexpr int kMaxTableSize = 0x05;
constexpr int kNumRecords = 0x06;
constexpr int kFileBlocks = 0x0C;
constexpr int kFirstBlock = 0x0E;
constexpr int kNumFields = 0x21;
constexpr int kFileVersion = 0x39;
constexpr int kMaxFieldName = 255; // pxlib copies a field name into a buffer of 300 bytes
// Paradox counts days from 1 January of the year 1; pxlib's day numbers count from 4714 BC.
constexpr long kDayNumberOfYearOne = 1721425;
// Every data block starts with the numbers of the next and the previous block and the size of
// its records but one (so -record size in an empty block).
constexpr int kBlockHead = 6;

int u16(const QByteArray& bytes, int at)
{
    return quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << 8);
}

qint64 u32(const QByteArray& bytes, int at)
{
    return qint64(u16(bytes, at)) | (qint64(u16(bytes, at + 2)) << 16);
}

bool knownType(int type)
{
    switch (type) {
    case pxfAlpha:
    case pxfDate:
    case pxfShort:
    case pxfLong:
    case pxfCurrency:
    case pxfNumber:
    case pxfLogical:
    case pxfMemoBLOb:
    case pxfBLOb:
    case pxfFmtMemoBLOb:
    case pxfOLE:
    case pxfGraphic:
    case pxfTime:
    case pxfTimestamp:
    case pxfAutoInc:
    case pxfBCD:
    case pxfBytes:
        return true;
    default:
        return false;
    }
}

bool allZero(const char* data, int length)
{
    for (int i = 0; i < length; ++i) {
        if (data[i] != 0)
            return false;
    }
    return true;
}

// Day 1 is 1 January of the year 1; a day before it is no date (an invalid QDate).
QDate dateFromDays(long days)
{
    if (days < 1)
        return {};
    int year = 0, month = 0, day = 0;
    PX_SdnToGregorian(days + kDayNumberOfYearOne, &year, &month, &day);
    return QDate(year, month, day);
}

int s16(const QByteArray& bytes, int at)
{
    return qint16(quint16(u16(bytes, at)));
}

} // namespace

QString ParadoxTable::headerProblem(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < kFixedHeader)
        return QStringLiteral("the file is too short to be a table (%1 bytes)").arg(fileSize);
    const int fileType = quint8(head.at(kFileType));
    if (fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB)
        return QStringLiteral("the file is not a table (file type %1)").arg(fileType);
    const int version = quint8(head.at(kFileVersion));
    if (version < 3 || version > 15)
        return QStringLiteral("unknown file version %1").arg(version);
    const int blockKib = quint8(head.at(kMaxTableSize));
    if (blockKib < 1 || blockKib > 32)
        return QStringLiteral("unknown block size (%1 KiB)").arg(blockKib);
    const int recordSize = u16(head, kRecordSize);
    const int headerSize = u16(head, kHeaderSize);
    if (recordSize == 0)
        return QStringLiteral("the header gives a record size of 0");
    if (headerSize < kFixedHeader || headerSize > fileSize || headerSize > head.size())
        return QStringLiteral("the header size (%1 bytes) does not fit the file (%2 bytes)")
            .arg(headerSize)
            .arg(fileSize);
    const int blockSize = blockKib * 0x400;
    const qint64 blocks = u16(head, kFileBlocks);
    if (headerSize + blocks * blockSize > fileSize)
        return QStringLiteral("the file is cut short: the header counts %1 blocks of %2 bytes, "
                              "the file holds %3 bytes")
            .arg(blocks)
            .arg(blockSize)
            .arg(fileSize);
    const qint64 records = u32(head, kNumRecords);
    const qint64 perBlock = recordSize <= blockSize - 6 ? (blockSize - 6) / recordSize : 0;
    if (records > blocks * perBlock)
        return QStringLiteral("the header counts %1 records, the blocks hold at most %2")
            .arg(records)
            .arg(blocks * perBlock);
    const int numFields = u16(head, kNumFields);
    if (numFields < 1 || numFields > 255)
        return QStringLiteral("the header counts %1 fields").arg(numFields);

    int at = kFixedHeader + (version >= 5 ? kDataHeader : 0);
    if (at + 2 * numFields > headerSize)
        return QStringLiteral("the field descriptions do not fit the header");
    int sum = 0;
    for (int i = 0; i < numFields; ++i) {
        const int type = quint8(head.at(at + 2 * i));
        const int size = quint8(head.at(at + 2 * i + 1));
        if (!knownType(type))
            return QStringLiteral("field %1 has the unknown type %2").arg(i + 1).arg(type);
        sum += type == pxfBCD ? 17 : size;
    }
    if (sum != recordSize)
        return QStringLiteral("the fields take %1 bytes, the header gives records of %2")
            .arg(sum)
            .arg(recordSize);
    at += 2 * numFields + 4 + 4 * numFields + (version >= 12 ? 261 : 79);
    for (int i = 0; i < numFields; ++i) {
        const int end = head.indexOf('\0', at);
        if (at >= headerSize || end < 0 || end >= headerSize)
            return QStringLiteral("the name of field %1 does not fit the header").arg(i + 1);
        if (end - at > kMaxFieldName)
            return QStringLiteral("the name of field %1 is too long").arg(i + 1);
        at = end + 1;
    }
    return {};
}

void ParadoxTable::onError(px_doc*, int level, const char* message, void* self)
{
    auto* table = static_cast<ParadoxTable*>(self);
    const QString text = QString::fromLocal8Bit(message);
    table->m_messages.append(level == PX_Warning ? QStringLiteral("warning: ") + text : text);
}

QString ParadoxTable::readChain(QFile& file, const QByteArray& head)
{
    m_headerSize = u16(head, kHeaderSize);
    m_blockSize = quint8(head.at(kMaxTableSize)) * 0x400;
    const int recordSize = u16(head, kRecordSize);
    const int fileBlocks = u16(head, kFileBlocks);
    const qint64 records = u32(head, kNumRecords);
    const int largest = (m_blockSize - kBlockHead) / recordSize * recordSize - recordSize;
    QList<bool> seen(fileBlocks + 1, false);
    int previous = 0;
    int number = u16(head, kFirstBlock);
    qint64 counted = 0;
    while (number != 0) {
        if (number > fileBlocks) {
            return previous == 0 ? QStringLiteral("the header names block %1 as the first data "
                                                  "block, but the file holds %2 blocks")
                                       .arg(number)
                                       .arg(fileBlocks)
                                 : QStringLiteral("data block %1 links to block %2, but the file "
                                                  "holds %3 blocks")
                                       .arg(previous)
                                       .arg(number)
                                       .arg(fileBlocks);
        }
        if (seen.at(number))
            return QStringLiteral("data block %1 links back to block %2").arg(previous).arg(number);
        seen[number] = true;
        const QByteArray block = readBlock(file, number, kBlockHead);
        if (block.size() < kBlockHead)
            return QStringLiteral("data block %1 cannot be read").arg(number);
        if (previous != 0 && u16(block, 2) != previous)
            return QStringLiteral("data block %1 does not link back to block %2, which leads to it")
                .arg(number)
                .arg(previous);
        const int size = s16(block, 4);
        if (size < -recordSize || size > largest || (size + recordSize) % recordSize != 0)
            return QStringLiteral("data block %1 gives its records a size of %2 bytes, which is "
                                  "no whole number of records of %3 bytes up to a full block")
                .arg(number)
                .arg(size + recordSize)
                .arg(recordSize);
        const int held = (size + recordSize) / recordSize;
        m_blocks.append({number, held, int(counted)});
        counted += held;
        previous = number;
        number = u16(block, 0);
    }
    if (counted != records)
        return previous == 0
                   ? QStringLiteral("the header counts %1 records but names no data block")
                         .arg(records)
                   : QStringLiteral("the chain of data blocks ends at block %1 with %2 records, "
                                    "the header counts %3")
                         .arg(previous)
                         .arg(counted)
                         .arg(records);
    return {};
}

QByteArray ParadoxTable::readBlock(QFile& file, int number, int bytes) const
{
    if (!file.seek(m_headerSize + qint64(number - 1) * m_blockSize))
        return {};
    return file.read(bytes);
}

ParadoxTable::ParadoxTable(const QString& path) : m_path(path), m_data(path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw ImportError(QStringLiteral("%1 is missing").arg(path));
    if (!m_data.open(QIODevice::ReadOnly))
        throw ImportError(
            QStringLiteral("%1 cannot be opened: %2").arg(path, m_data.errorString()));
    const QByteArray head = m_data.read(0x10000);
    QString problem = headerProblem(head, m_data.size());
    // The chain is walked before pxlib sees the file: pxlib follows a damaged one blindly.
    if (problem.isEmpty())
        problem = readChain(m_data, head);
    if (!problem.isEmpty())
        throw ImportError(QStringLiteral("%1 is damaged: %2").arg(path, problem));
    m_file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!m_file)
        throw ImportError(QStringLiteral("%1 cannot be opened").arg(path));
    m_doc = PX_new3(&ParadoxTable::onError, nullptr, nullptr, nullptr, this);
    if (!m_doc || PX_open_fp(m_doc, m_file) < 0) {
        const QString why = m_messages.isEmpty() ? QStringLiteral("pxlib cannot read it")
                                                 : m_messages.join(QStringLiteral("; "));
        if (m_doc)
            PX_delete(m_doc);
        std::fclose(m_file);
        throw ImportError(QStringLiteral("%1 is damaged: %2").arg(path, why));
    }
    m_codePage = m_doc->px_head->px_doscodepage;
    m_primaryKeyFields = m_doc->px_head->px_primarykeyfields;
    m_recordCount = PX_get_num_records(m_doc);
    m_recordSize = PX_get_recordsize(m_doc);
    const int count = PX_get_num_fields(m_doc);
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        const pxfield_t* field = PX_get_field(m_doc, i);
        ParadoxField described;
        described.name = QString::fromLatin1(field->px_fname);
        described.type = quint8(field->px_ftype);
        described.length = field->px_flen;
        described.decimals = field->px_fdc;
        described.offset = offset;
        offset += field->px_flen;
        m_fields.append(described);
    }
}

ParadoxTable::~ParadoxTable()
{
    PX_close(m_doc);
    PX_delete(m_doc);
    std::fclose(m_file);
}

void ParadoxTable::forEachRecord(
    bool backward, const std::function<void(int recno, const QByteArray& record)>& take) const
{
    const qsizetype count = m_blocks.size();
    for (qsizetype i = 0; i < count; ++i) {
        const DataBlock& block = m_blocks.at(backward ? count - 1 - i : i);
        const QByteArray bytes = readBlock(m_data, block.number, m_blockSize);
        if (bytes.size() < kBlockHead + qsizetype(block.records) * m_recordSize)
            throw ImportError(QStringLiteral("%1: data block %2 cannot be read: %3")
                                  .arg(m_path)
                                  .arg(block.number)
                                  .arg(m_data.errorString()));
        for (int j = 0; j < block.records; ++j) {
            const int k = backward ? block.records - 1 - j : j;
            take(block.firstRecord + k, bytes.mid(kBlockHead + k * m_recordSize, m_recordSize));
        }
    }
}

OldValue ParadoxTable::value(const QByteArray& record, const ParadoxField& field) const
{
    OldValue value;
    if (field.offset + field.length > record.size() || field.length <= 0)
        return value;
    const char* raw = record.constData() + field.offset;
    // A field of nothing but zero bytes is NULL whatever its type. pxlib is not asked: on a
    // 64-bit machine it reads a NULL long or date as -2147483648.
    if (allZero(raw, field.length))
        return value;
    // pxlib changes the bytes it decodes and reads past a 4-byte field: give it a padded copy.
    QByteArray copy(raw, field.length);
    copy.append(QByteArray(16, '\0'));
    char* data = copy.data();
    using Kind = OldValue::Kind;
    switch (field.type) {
    case pxfAlpha: {
        value.kind = Kind::Text;
        value.bytes = QByteArray(raw, int(qstrnlen(raw, field.length)));
        return value;
    }
    case pxfShort: {
        short number = 0;
        if (PX_get_data_short(m_doc, data, 2, &number) > 0) {
            value.kind = Kind::Integer;
            value.integer = number;
        }
        return value;
    }
    case pxfLong:
    case pxfAutoInc: {
        long number = 0;
        if (PX_get_data_long(m_doc, data, 4, &number) > 0 && number != INT_MIN) {
            value.kind = Kind::Integer;
            value.integer = qint32(number);
        }
        return value;
    }
    case pxfNumber:
    case pxfCurrency: {
        double number = 0;
        if (PX_get_data_double(m_doc, data, 8, &number) > 0) {
            value.kind = Kind::Number;
            value.number = number;
        }
        return value;
    }
    case pxfDate: {
        long days = 0;
        if (PX_get_data_long(m_doc, data, 4, &days) > 0 && days != INT_MIN) {
            value.kind = Kind::Date;
            value.integer = days;
            value.date = dateFromDays(days);
        }
        return value;
    }
    case pxfTime: {
        long milliseconds = 0;
        if (PX_get_data_long(m_doc, data, 4, &milliseconds) > 0 && milliseconds != INT_MIN) {
            value.kind = Kind::Time;
            value.time = QTime::fromMSecsSinceStartOfDay(int(milliseconds));
        }
        return value;
    }
    case pxfTimestamp: {
        double milliseconds = 0;
        if (PX_get_data_double(m_doc, data, 8, &milliseconds) > 0) {
            const qint64 total = qint64(milliseconds);
            const qint64 perDay = 86400000;
            value.kind = Kind::Timestamp;
            value.integer = total / perDay;
            value.timestamp = QDateTime(dateFromDays(long(total / perDay)),
                                        QTime::fromMSecsSinceStartOfDay(int(total % perDay)));
        }
        return value;
    }
    case pxfLogical: {
        char flag = 0;
        if (PX_get_data_byte(m_doc, data, 1, &flag) > 0) {
            value.kind = Kind::Logical;
            value.logical = flag != 0;
        }
        return value;
    }
    case pxfBCD: {
        char* digits = nullptr;
        if (PX_get_data_bcd(m_doc, reinterpret_cast<unsigned char*>(data), field.decimals,
                            &digits) > 0 &&
            digits) {
            value.kind = Kind::Decimal;
            // pxlib writes the decimal point of the C library's locale.
            value.text = QString::fromLatin1(digits).replace(QLatin1Char(','), QLatin1Char('.'));
            m_doc->free(m_doc, digits);
        } else {
            value.kind = Kind::Binary;
            value.bytes = QByteArray(raw, field.length);
        }
        return value;
    }
    case pxfMemoBLOb:
    case pxfBLOb:
    case pxfFmtMemoBLOb:
    case pxfOLE:
    case pxfGraphic:
        value.kind = Kind::Memo;
        value.bytes = QByteArray(raw, field.length);
        return value;
    default:
        value.kind = Kind::Binary;
        value.bytes = QByteArray(raw, field.length);
        return value;
    }
}

QString ParadoxTable::typeName(int type)
{
    switch (type) {
    case pxfAlpha:
        return QStringLiteral("alpha");
    case pxfDate:
        return QStringLiteral("date");
    case pxfShort:
        return QStringLiteral("short");
    case pxfLong:
        return QStringLiteral("long");
    case pxfCurrency:
        return QStringLiteral("money");
    case pxfNumber:
        return QStringLiteral("number");
    case pxfLogical:
        return QStringLiteral("logical");
    case pxfMemoBLOb:
        return QStringLiteral("memo");
    case pxfBLOb:
        return QStringLiteral("binary");
    case pxfFmtMemoBLOb:
        return QStringLiteral("formatted memo");
    case pxfOLE:
        return QStringLiteral("OLE");
    case pxfGraphic:
        return QStringLiteral("graphic");
    case pxfTime:
        return QStringLiteral("time");
    case pxfTimestamp:
        return QStringLiteral("timestamp");
    case pxfAutoInc:
        return QStringLiteral("autoincrement");
    case pxfBCD:
        return QStringLiteral("BCD");
    case pxfBytes:
        return QStringLiteral("bytes");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

} // namespace kestar
