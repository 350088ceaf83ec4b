#pragma once

#include <QString>

class QSettings;

namespace kestar {

// The installation folder: the folder the program runs in, holding its data folder "podaci" and
// the backups in "back-up" beside it. A folder in the user's home unless another was chosen;
// the choice is remembered in the settings given.
class InstallationFolder
{
public:
    explicit InstallationFolder(QSettings& settings) : m_settings(settings) {}

    // KESTAR in the user's home folder.
    static QString defaultPath();
    // The remembered folder, or defaultPath() when none was chosen yet.
    QString current() const;
    // Remembers folder (made absolute) for the next starts.
    void remember(const QString& folder);

    // podaci inside the installation folder.
    static QString dataFolder(const QString& installation);
    // The installation folder has a data folder to start on: podaci exists and holds more than a
    // lock file.
    static bool hasData(const QString& installation);

private:
    QSettings& m_settings;
};

} // namespace kestar
