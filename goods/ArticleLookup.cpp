#include "goods/ArticleLookup.h"

#include "data/Engine.h"
#include "data/Table.h"

namespace kestar {

std::optional<ArticleForLine> findArticle(Engine& engine, const QString& code)
{
    if (code.isEmpty())
        return std::nullopt;
    // A cursor of its own: the item table view stays closed while a document is filled in.
    std::unique_ptr<Table> articles =
        std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    articles->setReadOnly(true);
    articles->open();
    articles->findNearest(code);
    if (articles->isEmpty() || articles->text(QStringLiteral("SIFRA")) != code)
        return std::nullopt;
    return ArticleForLine{code, articles->text(QStringLiteral("NAZIV")),
                          articles->text(QStringLiteral("GRUPAROBE")),
                          articles->text(QStringLiteral("NAZIVGRUPE"))};
}

} // namespace kestar
