#pragma once

#include <QString>
#include <QTextStream>
#include <functional>

namespace kestar::bench {

// The figures of engine_bench with the tables of generatedData loaded into a PostgreSQL
// database of their own (PgBenchDatabase), the engine beside raw libpq doing the least work for
// each; RESULT keys end in "_pg". wanted tells which figures ('1'..'6') run. Raises
// std::runtime_error without a server.
void runOnPostgres(const QString& generatedData, const QString& cache, QTextStream& out,
                   const std::function<bool(char)>& wanted);

} // namespace kestar::bench
