#include "reporting/FileQuestions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestar {

QString DialogFileQuestions::savePath(QWidget* parent, const QString& caption,
                                      const QString& suggestedName, const QString& filter)
{
    if (m_lastFolder.isEmpty() || !QFileInfo(m_lastFolder).isDir()) {
        m_lastFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (m_lastFolder.isEmpty() || !QFileInfo(m_lastFolder).isDir())
            m_lastFolder = QDir::homePath();
    }
    const QString path = QFileDialog::getSaveFileName(
        parent, caption, QDir(m_lastFolder).filePath(suggestedName), filter);
    if (!path.isEmpty())
        m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

} // namespace kestar
