#pragma once

#include "platform/Regional.h"
#include "tests/support/TestFolder.h"

#include <QString>

namespace kestar::test {

// What an import test starts from: the program's standard regional settings, a program folder
// made the working folder, and in it the old data folder "stari" with the five empty tables and
// the text files of an old installation. Everything goes when the object goes.
class ImportFolders
{
public:
    // newFolder: where the test imports to, relative to the program folder.
    explicit ImportFolders(const QString& newFolder = QStringLiteral("novi"));

    QString path() const { return m_folder.path(); }
    QString oldFolder() const { return m_old; }
    QString newFolder() const { return m_new; }

private:
    ScopedRegional m_regional;
    TestFolder m_folder;
    QString m_old;
    QString m_new;
};

} // namespace kestar::test
