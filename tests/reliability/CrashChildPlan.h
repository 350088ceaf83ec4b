#pragma once

#include "goods/Posting.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar::test {

// What the crash child does and what the crash test expects of it, both worked out from the
// same seed and numbers, so that the parent can tell what document N (or batch B) must hold
// without hearing it from the child it killed.
namespace CrashChildPlan {

// An article of the starting data folder, with its starting stock.
struct Article
{
    QString code;
    double stock = 0;
};

// The articles every crash data folder starts with.
QList<Article> articles();
// A code that names no article: its lines get ledger rows and change no stock.
inline const QString kUnknownCode = QStringLiteral("NEMA");

// The document that takes document number `number`: its kind, lines (some articles twice,
// now and then a code that names no article, quarter quantities so that sums stay exact),
// comments and user. The number field is left empty: it comes from the counter file.
GoodsDocument document(quint32 seed, int number);
// A document of the ledger the item card is built on: 60 lines over cardArticles() only.
GoodsDocument cardDocument(quint32 seed, int number);

// A staged article of batch `batch`: row i of batchSize(seed, batch) rows.
struct StagedArticle
{
    QString code;
    QString name;
    QString quantity;
};
int batchSize(quint32 seed, int batch);
// Every staged row of a batch, in staging order. One row of each batch repeats the code of a
// starting article (the save must skip it) and one repeats a code of the batch itself.
QList<StagedArticle> batch(quint32 seed, int batch);
// The batch a code of a staged article belongs to, 0 for any other code.
int batchOf(const QString& code);

// The articles the item card is built for, each with many ledger rows.
QStringList cardArticles();
// A SALDO the crash child writes over a whole card before a build, so that the old values of
// each build differ from its new ones. Far below any balance a card can reach.
double cardMarker(int build);

} // namespace CrashChildPlan
} // namespace kestar::test
