#include "platform/WorkingFolder.h"

#include <QDir>

namespace kestar {

QString WorkingFolder::current()
{
    return QDir::currentPath();
}

bool WorkingFolder::change(const QString& folder)
{
    return QDir::setCurrent(folder);
}

} // namespace kestar
