#pragma once

#include "data/NumberLine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace kestar {

// The small text files of the data folder: company file, equipment file, document counters and
// group files. Names are given as the program writes them ("podaci/firma.txt",
// "podaci\oprema.txt") and resolved by DataPath. Contents are Windows-1250, lines end with CR LF.
// Every function throws EngineError with a text the user can be shown; none of them leaves a
// file half-written.
class TextFiles
{
public:
    static constexpr int kCompanyFieldCount = 13;

    // The first line (up to the first CR or LF, or the end of the file) as a strict whole
    // number: leading blanks, an optional sign, decimal digits, nothing after them, within
    // 32 bits. An empty file gives an empty line, which is not a number.
    // Errors: "Cannot open file ...", "'17a' is not a valid integer value".
    static NumberLine readFirstLineNumber(const QString& name);

    // Skips blanks, tabs and line breaks, then reads the next run of up to 32 other characters
    // as a 32-bit whole number. A file of nothing but blanks and line breaks gives 0.
    // Errors: "Cannot open file ...", "Invalid numeric input".
    static int readFirstNumber(const QString& name);

    // The file read as a list of lines (readLines) and its first entry taken as a strict whole
    // number. Unlike readFirstLineNumber, a file without any line fails with
    // "List index out of bounds (0)". The equipment file is read this way.
    static NumberLine readFirstListedNumber(const QString& name);

    // The readers above on contents held elsewhere: the lenient number of the bytes a file
    // would hold, and the strict number of the first of its lines.
    static int firstNumberIn(QByteArrayView bytes);
    static NumberLine firstListedNumber(const QStringList& lines);

    // Every line of the file one entry: CR LF, a lone CR and a lone LF each end a line; a last
    // line without an ending counts; a line ending at the very end adds no empty entry; an
    // empty line is an empty entry; an empty file is an empty list.
    static QStringList readLines(const QString& name);

    // The company file's 13 fields: line n is field n, missing lines are empty fields, lines
    // after the 13th are ignored.
    static QStringList readCompanyFields(const QString& name);

    // Exactly count entries: the first count lines, padded with empty ones.
    static QStringList fitFields(const QStringList& lines, int count);

    // Replaces the whole file with the lines, each followed by CR LF (no lines: an empty file).
    // The file holds either its former or its new content, never a part (FileReplace): a full
    // disk, a size limit or an I/O error leaves the former bytes and raises the system's text,
    // and the new content counts as written only once it reads back the same. A line holding a
    // line break or a character outside Windows-1250, a read-only target or a missing folder
    // refuses the write and leaves the file as it was. An existing file keeps its permissions.
    static void replaceLines(const QString& name, const QStringList& lines);
    // The bytes replaceLines writes for the lines, refusing what it refuses (name only names the
    // file in the error).
    static QByteArray encodeLines(const QString& name, const QStringList& lines);
    // The same with the file's bytes given as they are.
    static void replaceBytes(const QString& name, const QByteArray& content);
    // The whole file as it lies on disk. Errors: "Cannot open file ...", "Cannot read file ...".
    static QByteArray readBytes(const QString& name);

    // Splits text into lines as readLines does.
    static QStringList splitLines(const QString& text);

    // A strict whole number as readFirstLineNumber takes it.
    // Throws EngineError "'<text>' is not a valid integer value".
    static int toStrictInteger(const QString& text);
};

} // namespace kestar
