#pragma once

#include <QByteArray>
#include <QString>

namespace kestar {

// Replaces the whole content of one small file so that it holds either its former bytes or the
// new ones, never a part and never nothing, and reports every failure with the system's text.
//
// The bytes go into a new file beside the target; every write, the sync to the disk and the
// close are checked, the new file is read back and compared, and only then is it renamed over
// the target. A folder that allows no new files but holds a writable target is written in
// place instead: the part beyond the former end first, so that a full disk or a size limit
// strikes before a former byte is touched, and on any failure the former bytes are put back.
//
// Errors raise EngineError: "Cannot create file "<name>". <reason>" when the new file cannot be
// made, "Cannot write file "<name>". <reason>" when writing, syncing, reading back or renaming
// fails. <name> is the name the caller gives (as the program writes it), <reason> the system's
// text.
class FileReplace
{
public:
    static void replace(const QString& name, const QString& path, const QByteArray& content);
};

} // namespace kestar
