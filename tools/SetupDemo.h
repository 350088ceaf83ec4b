#pragma once

#include <QString>

namespace kestar {

class Engine;

// The demo data set of a new data folder, from SetupDemoCatalog.
class SetupDemo
{
public:
    // Fills the freshly made data folder (absolute path): the groups into grupe.txt and
    // sgrupe.txt, the articles into magacin, the machines into masina, and posts the demo
    // documents into prometx the way the goods document page posts them: the rows of each
    // document at the front of the ledger, last line first, the stock of the articles changed,
    // dokument.txt, otpremnica.txt and ulaz.txt holding the last numbers used. The tables are
    // written in one transaction: a failure leaves them as they were. Dates count back from
    // today (Clock). Raises EngineError.
    static void fill(Engine& engine, const QString& folder);
};

} // namespace kestar
