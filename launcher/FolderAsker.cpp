#include "launcher/FolderAsker.h"

#include <QFileDialog>
#include <QPointer>

namespace kestar {

FolderAsker folderDialog(QWidget* parent)
{
    return [guard = QPointer<QWidget>(parent)](const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(guard, caption, start);
    };
}

} // namespace kestar
