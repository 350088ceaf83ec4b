#include "tools/import/MemoFile.h"

#include <QFileInfo>

namespace kestar {

namespace {

constexpr int kPointerSize = 10; // pointer 4, length 4, modification number 2
constexpr int kSingleHeader = 9; // type 1, block count 2, length 4, modification number 2
constexpr int kGraphicHeader = 17;
constexpr int kSlotTable = 12; // a sub-allocated block's slot table starts here
constexpr int kSlotSize = 5;   // start / 16, length / 16 rounded up, modification 2, length % 16
constexpr int kSlots = 64;
constexpr int kBlockSingle = 2;
constexpr int kBlockShared = 3;

qint64 le32(QByteArrayView bytes, qsizetype at)
{
    qint64 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

QString blockKind(int type)
{
    switch (type) {
    case 0:
        return QStringLiteral("the file's header block");
    case 1:
        return QStringLiteral("an unused block");
    case 4:
        return QStringLiteral("a freed block");
    default:
        return QStringLiteral("a block of unknown type %1").arg(type);
    }
}

} // namespace

MemoFile::MemoFile(const QString& path) : m_path(path), m_file(path)
{
    if (QFileInfo(path).isFile())
        m_file.open(QIODevice::ReadOnly);
}

QByteArray MemoFile::bytesAt(qint64 offset, qint64 count)
{
    if (offset < 0 || count < 0 || offset + count > m_file.size() || !m_file.seek(offset))
        return {};
    QByteArray bytes = m_file.read(count);
    return bytes.size() == count ? bytes : QByteArray();
}

MemoFile::Result MemoFile::read(QByteArrayView field, bool graphic)
{
    const qsizetype leader = field.size() - kPointerSize;
    if (leader < 0)
        return {{}, QStringLiteral("the memo field is only %1 bytes long").arg(field.size())};
    const qint64 pointer = le32(field, leader);
    const qint64 size = le32(field, leader + 4);
    if (size == 0)
        return {};
    if (size <= leader && !graphic)
        return {field.first(size).toByteArray(), {}};
    if (!exists())
        return {{}, QStringLiteral("the memo file %1 is missing").arg(m_path)};
    const qint64 offset = pointer & 0xffffff00;
    const int index = int(pointer & 0xff);
    if (offset == 0)
        return {{}, QStringLiteral("the memo's place in %1 is not given").arg(m_path)};
    const QByteArray type = bytesAt(offset, 1);
    if (type.isEmpty())
        return {{},
                QStringLiteral("the memo lies beyond the end of %1 (offset %2)")
                    .arg(m_path)
                    .arg(offset)};
    if (type.at(0) == kBlockSingle) {
        if (index != 0xff)
            return {
                {},
                QStringLiteral("the memo points into a block of its own with slot %1").arg(index)};
        return readSingle(offset, size, graphic ? kGraphicHeader : kSingleHeader);
    }
    if (type.at(0) == kBlockShared)
        return readSlot(offset, index, size);
    return {{}, QStringLiteral("the memo points to %1 of %2").arg(blockKind(type.at(0)), m_path)};
}

MemoFile::Result MemoFile::readSingle(qint64 offset, qint64 size, int headerSize)
{
    const QByteArray head = bytesAt(offset, kSingleHeader);
    if (head.isEmpty())
        return {{}, QStringLiteral("the memo's block in %1 is cut short").arg(m_path)};
    const qint64 stored = le32(head, 3);
    if (stored != size)
        return {{},
                QStringLiteral("the memo's length differs between the table (%1 bytes) and "
                               "%2 (%3 bytes)")
                    .arg(size)
                    .arg(m_path)
                    .arg(stored)};
    // A picture's 8 further header bytes are counted in its length.
    const qint64 length = size - (headerSize - kSingleHeader);
    if (length <= 0)
        return {};
    const QByteArray data = bytesAt(offset + headerSize, length);
    if (data.isEmpty())
        return {{}, QStringLiteral("the memo runs past the end of %1").arg(m_path)};
    return {data, {}};
}

MemoFile::Result MemoFile::readSlot(qint64 offset, int index, qint64 size)
{
    if (index >= kSlots)
        return {{},
                QStringLiteral("the memo points to slot %1 of a shared block, which has only "
                               "%2")
                    .arg(index)
                    .arg(kSlots)};
    const QByteArray slot = bytesAt(offset + kSlotTable + index * kSlotSize, kSlotSize);
    if (slot.isEmpty())
        return {{}, QStringLiteral("the memo's slot in %1 is cut short").arg(m_path)};
    const int start = quint8(slot.at(0)) * 16;
    const qint64 stored = (qint64(quint8(slot.at(1))) - 1) * 16 + quint8(slot.at(4));
    if (quint8(slot.at(1)) == 0 || stored != size)
        return {{},
                QStringLiteral("the memo's length differs between the table (%1 bytes) and "
                               "slot %2 of %3")
                    .arg(size)
                    .arg(index)
                    .arg(m_path)};
    if (start < kSlotTable || start + size > kBlockSize)
        return {{},
                QStringLiteral("slot %1 of %2 points outside its block").arg(index).arg(m_path)};
    const QByteArray data = bytesAt(offset + start, size);
    if (data.isEmpty())
        return {{}, QStringLiteral("the memo runs past the end of %1").arg(m_path)};
    return {data, {}};
}

} // namespace kestar
