#include "tests/tools/ParadoxWriter.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTime>
#include <cstdio>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <paradox.h>
}

namespace kestar::test {

namespace {

constexpr int kBlock = 0x1000;
constexpr int kSlotTable = 12;
constexpr int kSlots = 64;
constexpr int kSlotData = 336; // first 16-byte unit after the slot table
constexpr long kDayNumberOfYearOne = 1721425;

void putLe(QByteArray& bytes, int at, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
}

// Builds a memo file: a header block, then blocks shared by small memos and blocks of their own
// for large ones.
class MemoBuilder
{
public:
    MemoBuilder() : m_file(kBlock, '\0') { putLe(m_file, 1, 1, 2); }

    bool isEmpty() const { return m_file.size() == kBlock; }
    QByteArray bytes() const { return m_file; }

    // The pointer to store in the record: block offset, its lowest byte the slot (0xff: none).
    quint32 add(const QByteArray& data, int sharedLimit)
    {
        if (data.size() <= sharedLimit)
            return addShared(data);
        const int blocks = (9 + int(data.size()) + kBlock - 1) / kBlock;
        const int offset = int(m_file.size());
        m_file.append(QByteArray(blocks * kBlock, '\0'));
        m_file[offset] = 2;
        putLe(m_file, offset + 1, quint32(blocks), 2);
        putLe(m_file, offset + 3, quint32(data.size()), 4);
        putLe(m_file, offset + 7, 1, 2);
        std::memcpy(m_file.data() + offset + 9, data.constData(), size_t(data.size()));
        return quint32(offset) | 0xff;
    }

private:
    quint32 addShared(const QByteArray& data)
    {
        const int units = (int(data.size()) + 15) / 16;
        if (m_shared < 0 || m_slots == kSlots || m_used + units * 16 > kBlock) {
            m_shared = int(m_file.size());
            m_file.append(QByteArray(kBlock, '\0'));
            m_file[m_shared] = 3;
            putLe(m_file, m_shared + 1, 1, 2);
            m_slots = 0;
            m_used = kSlotData;
        }
        const int slot = m_shared + kSlotTable + m_slots * 5;
        m_file[slot] = char(m_used / 16);
        m_file[slot + 1] = char(units);
        putLe(m_file, slot + 2, 1, 2);
        m_file[slot + 4] = char(data.size() - (units - 1) * 16);
        std::memcpy(m_file.data() + m_shared + m_used, data.constData(), size_t(data.size()));
        m_used += units * 16;
        return quint32(m_shared) | quint32(m_slots++);
    }

    QByteArray m_file;
    int m_shared = -1;
    int m_slots = 0;
    int m_used = 0;
};

int defaultLength(int type)
{
    switch (type) {
    case pxfAlpha:
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb:
    case pxfBLOb:
    case pxfGraphic:
    case pxfOLE:
        return 20;
    case pxfShort:
        return 2;
    case pxfLogical:
        return 1;
    case pxfLong:
    case pxfDate:
    case pxfTime:
    case pxfAutoInc:
        return 4;
    case pxfBCD:
        return 17;
    default:
        return 8;
    }
}

QByteArray encode(const QString& text, int codePage)
{
    const QByteArray name = codePage >= 1250 && codePage <= 1258
                                ? "windows-" + QByteArray::number(codePage)
                                : "IBM" + QByteArray::number(codePage);
    QStringEncoder encoder(name.constData());
    if (!encoder.isValid())
        throw std::runtime_error("unknown code page " + name.toStdString());
    return encoder.encode(text);
}

long days(const QDate& date)
{
    return PX_GregorianToSdn(date.year(), date.month(), date.day()) - kDayNumberOfYearOne;
}

} // namespace

ParadoxWriter::ParadoxWriter(QList<ParadoxColumn> columns, int codePage, int primaryKeyFields)
    : m_columns(std::move(columns)), m_codePage(codePage), m_primaryKeyFields(primaryKeyFields)
{
}

void ParadoxWriter::write(const QString& path) const
{
    write(path, int(m_rows.size()), [this](int row) { return m_rows.at(row); });
}

void ParadoxWriter::write(const QString& path, int rows,
                          const std::function<QVariantList(int)>& rowAt) const
{
    QFile::remove(path);
    pxdoc_t* doc = PX_new();
    const int count = int(m_columns.size());
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * count, "fields"));
    QList<int> lengths;
    for (int i = 0; i < count; ++i) {
        const ParadoxColumn& column = m_columns.at(i);
        const int length = column.length > 0 ? column.length : defaultLength(column.type);
        fields[i].px_fname = PX_strdup(doc, column.name.toLatin1().constData());
        fields[i].px_ftype = char(column.type);
        // pxlib counts a BCD field's size byte as its record length when it creates a table:
        // the header gets the number of decimals patched in once the table is written.
        fields[i].px_flen = column.type == pxfBCD ? 17 : length;
        fields[i].px_fdc = 0;
        lengths.append(column.type == pxfBCD ? 17 : length);
    }
    const int type = m_primaryKeyFields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB;
    // pxlib seeks and writes for every record: a table of a test is written into memory and
    // the file once; a large one goes straight into its file.
    qsizetype recordBytes = 0;
    for (int length : lengths)
        recordBytes += length;
    const qsizetype imageSize = 1024 * 1024 + 2 * recordBytes * rows;
    const bool inMemory = imageSize <= 256 * 1024 * 1024;
    QByteArray image(inMemory ? imageSize : 0, '\0');
    std::FILE* memory = inMemory ? fmemopen(image.data(), size_t(image.size()), "w+")
                                 : std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!memory || PX_create_fp(doc, fields, count, memory, type) < 0) {
        PX_delete(doc);
        if (memory)
            std::fclose(memory);
        throw std::runtime_error("pxlib cannot create " + path.toStdString());
    }
    PX_set_value(doc, "codepage", float(m_codePage));
    if (m_primaryKeyFields > 0)
        PX_set_value(doc, "numprimkeys", float(m_primaryKeyFields));

    MemoBuilder memo;
    const int recordSize = PX_get_recordsize(doc);
    QByteArray record(recordSize, '\0');
    for (int row = 0; row < rows; ++row) {
        const QVariantList cells = rowAt(row);
        record.fill('\0');
        int offset = 0;
        for (int i = 0; i < count; ++i) {
            const ParadoxColumn& column = m_columns.at(i);
            const int length = lengths.at(i);
            char* data = record.data() + offset;
            offset += length;
            const QVariant cell = cells.value(i);
            if (!cell.isValid())
                continue;
            switch (column.type) {
            case pxfAlpha: {
                QByteArray text = encode(cell.toString(), m_codePage).left(length);
                std::memcpy(data, text.constData(), size_t(text.size()));
                break;
            }
            case pxfShort:
                PX_put_data_short(doc, data, 2, short(cell.toInt()));
                break;
            case pxfLong:
            case pxfAutoInc:
            case pxfTime:
                PX_put_data_long(doc, data, 4, cell.toInt());
                break;
            case pxfNumber:
            case pxfCurrency:
                PX_put_data_double(doc, data, 8, cell.toDouble());
                break;
            case pxfDate:
                PX_put_data_long(doc, data, 4,
                                 cell.typeId() == QMetaType::Int ? cell.toInt()
                                                                 : int(days(cell.toDate())));
                break;
            case pxfTimestamp: {
                const QDateTime stamp = cell.toDateTime();
                PX_put_data_double(doc, data, 8,
                                   double(days(stamp.date())) * 86400000.0 +
                                       stamp.time().msecsSinceStartOfDay());
                break;
            }
            case pxfLogical:
                PX_put_data_byte(doc, data, 1, cell.toBool() ? 1 : 0);
                break;
            case pxfBCD: {
                QByteArray digits = cell.toString().toLatin1();
                PX_put_data_bcd(doc, data, column.decimals, digits.data());
                break;
            }
            case pxfBytes: {
                QByteArray bytes = cell.toByteArray().left(length);
                std::memcpy(data, bytes.constData(), size_t(bytes.size()));
                break;
            }
            default: { // the memo types
                const QByteArray text = cell.typeId() == QMetaType::QByteArray
                                            ? cell.toByteArray()
                                            : encode(cell.toString(), m_codePage);
                const int leader = length - 10;
                std::memcpy(data, text.constData(), size_t(qMin<qsizetype>(leader, text.size())));
                QByteArray pointer(10, '\0');
                if (text.size() > leader)
                    putLe(pointer, 0, memo.add(text, m_sharedLimit), 4);
                putLe(pointer, 4, quint32(text.size()), 4);
                putLe(pointer, 8, 1, 2);
                std::memcpy(data + leader, pointer.constData(), 10);
                break;
            }
            }
        }
        if (PX_put_record(doc, record.data()) < 0) {
            PX_close(doc);
            PX_delete(doc);
            std::fclose(memory);
            throw std::runtime_error("pxlib cannot write a record of " + path.toStdString());
        }
    }
    PX_close(doc);
    PX_delete(doc);
    std::fseek(memory, 0, SEEK_END);
    const long size = std::ftell(memory);
    if (std::fclose(memory) != 0)
        throw std::runtime_error("cannot write " + path.toStdString());
    if (inMemory) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(image.constData(), size) != size)
            throw std::runtime_error("cannot write " + path.toStdString());
    }
    patchDecimals(path);

    if (!memo.isEmpty()) {
        const QFileInfo info(path);
        QFile file(info.path() + QStringLiteral("/") + info.completeBaseName() +
                   QStringLiteral(".MB"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(memo.bytes()) != memo.bytes().size())
            throw std::runtime_error("cannot write the memo file of " + path.toStdString());
    }
}

void ParadoxWriter::patchDecimals(const QString& path) const
{
    constexpr int kFieldInfo = 0x78;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw std::runtime_error("cannot reopen " + path.toStdString());
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).type != pxfBCD)
            continue;
        const char decimals = char(m_columns.at(i).decimals);
        file.seek(kFieldInfo + 2 * i + 1);
        file.write(&decimals, 1);
    }
}

void ParadoxWriter::writeTexts(const QString& path, const QStringList& fields,
                               const QList<QStringList>& rows, int codePage)
{
    QList<ParadoxColumn> columns;
    for (const QString& field : fields)
        columns.append({field, pxfAlpha, 20});
    ParadoxWriter writer(columns, codePage);
    for (const QStringList& row : rows) {
        QVariantList cells;
        for (const QString& text : row)
            cells.append(text.isEmpty() ? QVariant() : QVariant(text));
        writer.addRow(cells);
    }
    writer.write(path);
}

} // namespace kestar::test
