#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace kestar {

// The memo file (.MB) beside an old table, read by hand: Debian's pxlib 0.6.8 crashes as soon as
// it is given one. The file is made of 4 KiB blocks. A memo field in the record holds the
// memo's leading bytes, then a 4-byte pointer (offset of the block, its lowest byte the index
// within a sub-allocated block, 0xff for a block of its own), the memo's length (4 bytes) and a
// modification number (2 bytes). A memo no longer than the leading part lies in the record
// alone; a longer one lies in the memo file, either in blocks of its own (block type 2) or in a
// slot of a block shared by small memos (block type 3).
class MemoFile
{
public:
    static constexpr int kBlockSize = 0x1000;

    struct Result
    {
        QByteArray data; // the memo's bytes; empty for an empty memo
        QString error;   // why the memo cannot be read; "" when it could
    };

    // path may name a file that does not exist: memos that need it then cannot be read. The
    // file is opened read only.
    explicit MemoFile(const QString& path);

    bool exists() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // The whole memo of a memo field as the record stores it. graphic: the field is of the
    // graphic type, whose blocks carry 8 more header bytes before the picture.
    Result read(QByteArrayView field, bool graphic = false);

private:
    Result readSingle(qint64 offset, qint64 size, int headerSize);
    Result readSlot(qint64 offset, int index, qint64 size);
    QByteArray bytesAt(qint64 offset, qint64 count);

    QString m_path;
    QFile m_file;
};

} // namespace kestar
