#include "masterdata/NewArticles.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/Transaction.h"

#include <QStringList>

namespace kestar::NewArticles {

namespace {

// The fields a new article takes over from its staged row, as text.
const QStringList& copiedFields()
{
    static const QStringList fields = {
        QStringLiteral("SIFRA"),       QStringLiteral("GRUPAROBE"),
        QStringLiteral("NAZIVGRUPE"),  QStringLiteral("NAZIV"),
        QStringLiteral("JM"),          QStringLiteral("MINKOLICINA"),
        QStringLiteral("CENANABAVNA"), QStringLiteral("CENAPRODAJNA"),
        QStringLiteral("DATUMULAZA"),  QStringLiteral("PROIZVOD"),
        QStringLiteral("KOLICINA")};
    return fields;
}

const QStringList& emptyWarehouses()
{
    static const QStringList fields = {QStringLiteral("MAGACIN2"), QStringLiteral("MAGACIN3"),
                                       QStringLiteral("MAGACIN4"), QStringLiteral("MAGACIN5")};
    return fields;
}

void copyArticle(const Table& staged, Table& items)
{
    items.insert();
    for (const QString& field : copiedFields())
        items.setText(field, staged.text(field));
    items.setText(QStringLiteral("MAGACIN1"), staged.text(QStringLiteral("KOLICINA")));
    for (const QString& field : emptyWarehouses())
        items.setText(field, QStringLiteral("0"));
    items.post();
}

} // namespace

int save(Engine& engine, Table& staged, Table& items)
{
    items.open();
    staged.open();
    // Settles a row still being typed before the transaction, so that a failure further on
    // keeps it with the other staged rows.
    staged.first();

    Transaction transaction(engine);
    int copied = 0;
    try {
        // Another workstation saving an article with one of these codes waits for this
        // commit, and this save for its: the code is then found in magacin and skipped.
        QStringList codes;
        for (staged.first(); !staged.eof(); staged.next())
            codes.append(staged.text(QStringLiteral("SIFRA")));
        engine.lockKeys(items.name(), codes);
        int row = 0;
        for (staged.first(); !staged.eof(); staged.next()) {
            ++row;
            const QString code = staged.text(QStringLiteral("SIFRA"));
            if (code.isEmpty())
                throw EngineError(
                    QStringLiteral("Artikal u redu %1 nema sifru!!! Nista nije upamceno.")
                        .arg(row));
            items.findNearest(code);
            if (items.text(QStringLiteral("SIFRA")) == code)
                continue;
            copyArticle(staged, items);
            ++copied;
        }
        staged.first();
        while (!staged.eof())
            staged.remove();
        transaction.commit();
    } catch (...) {
        // A refused post leaves its row pending; the rollback that follows must not leave the
        // item grid showing an article that is not there.
        items.cancel();
        throw;
    }

    staged.close();
    items.close();
    return copied;
}

} // namespace kestar::NewArticles
