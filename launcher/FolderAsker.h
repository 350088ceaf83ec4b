#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace kestar {

// Asks the user for a folder: (caption, folder to start in) -> the chosen folder, or empty when
// the user gave up. Tests answer without a window.
using FolderAsker = std::function<QString(const QString& caption, const QString& start)>;

// The desktop's folder chooser over parent.
FolderAsker folderDialog(QWidget* parent);

} // namespace kestar
