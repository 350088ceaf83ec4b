#include "tests/tools/ImportFolders.h"

#include "tests/tools/OldFolderFixture.h"

#include <QDir>

namespace kestar::test {

ImportFolders::ImportFolders(const QString& newFolder)
    : m_regional(Regional::standard()), m_old(m_folder.path() + QStringLiteral("/stari")),
      m_new(m_folder.path() + QLatin1Char('/') + newFolder)
{
    QDir().mkpath(m_old);
    OldFolderFixture::writeEmptyTables(m_old);
    OldFolderFixture::writeTextFiles(m_old);
}

} // namespace kestar::test
