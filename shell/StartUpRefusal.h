#pragma once

#include <QString>

namespace kestar {

class DataFolderRefusal;

// The message the program shows when it will not start on its data folder because a crash there
// could not be recovered; the program ends after it, having written nothing.
QString startUpRefusalText(const DataFolderRefusal& refusal);

} // namespace kestar
