#pragma once

#include <QString>

namespace kestar {

// The process's working folder, against which every relative data path resolves.
class WorkingFolder
{
public:
    static QString current();
    // Changes the working folder; false when the folder does not exist or cannot be entered.
    static bool change(const QString& folder);
};

} // namespace kestar
