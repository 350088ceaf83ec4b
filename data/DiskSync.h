#pragma once

#include <QString>

namespace kestar {

// Asks the system to put what was written on the disk itself, so that it outlives a power cut
// and not only a crash of the program. Each returns the system's error text, empty on success.
namespace DiskSync {

// The bytes of a file.
QString file(const QString& path);
// The entries of a folder: files made, renamed or removed in it.
QString folder(const QString& path);

} // namespace DiskSync
} // namespace kestar
