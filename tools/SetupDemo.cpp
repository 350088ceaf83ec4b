#include "tools/SetupDemo.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/SharedData.h"
#include "data/SharedDataStore.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "tools/SetupDemoCatalog.h"

#include <QDir>
#include <QHash>

namespace kestar {

namespace {

struct Counters
{
    int document = 0;
    int issue = 0;
    int receipt = 0;
};

QString dateText(int daysAgo)
{
    return Regional::formatDate(Clock::today().addDays(-daysAgo));
}

void addArticles(Table& magacin, const QList<DemoArticle>& articles,
                 const QHash<QString, QString>& groupNames)
{
    for (const DemoArticle& article : articles) {
        magacin.insert();
        magacin.setText(QStringLiteral("SIFRA"), article.code);
        magacin.setText(QStringLiteral("NAZIV"), article.name);
        magacin.setText(QStringLiteral("GRUPAROBE"), article.group);
        magacin.setText(QStringLiteral("NAZIVGRUPE"), groupNames.value(article.group));
        magacin.setText(QStringLiteral("JM"), article.unit);
        magacin.setNumber(QStringLiteral("KOLICINA"), article.stock);
        magacin.setNumber(QStringLiteral("MINKOLICINA"), article.minimum);
        magacin.setNumber(QStringLiteral("KOLICINAZANABAVKU"), article.toOrder);
        magacin.setNumber(QStringLiteral("CENANABAVNA"), article.purchasePrice);
        magacin.setNumber(QStringLiteral("CENAPRODAJNA"), article.salePrice);
        magacin.setText(QStringLiteral("DATUMULAZA"), dateText(article.enteredDaysAgo));
        magacin.setNumber(QStringLiteral("MAGACIN1"), article.stock);
        for (const char* warehouse : {"MAGACIN2", "MAGACIN3", "MAGACIN4", "MAGACIN5"})
            magacin.setNumber(QString::fromLatin1(warehouse), 0);
        magacin.setText(QStringLiteral("PROIZVOD"), article.product ? QStringLiteral("P") : "");
        magacin.post();
    }
}

void addMachines(Table& masina, const QList<DemoMachine>& machines)
{
    // Each row goes in front of the ones before it: the last machine first.
    for (auto machine = machines.crbegin(); machine != machines.crend(); ++machine) {
        masina.first();
        masina.insert();
        masina.setText(QStringLiteral("SIFRAMASINE"), machine->code);
        masina.setText(QStringLiteral("SIFRA2"), machine->code2);
        masina.setText(QStringLiteral("NAZIVMASINE"), machine->name);
        masina.post();
    }
}

// One ledger row per line, written field by field in the ledger's field order as the goods
// document page writes it while the equipment switch is on (so receipts carry the empty
// machine fields of the page), then the stock change of the line's article.
void post(Table& ledger, Table& magacin, const DemoDocument& document, int documentNumber,
          const QHash<QString, DemoArticle>& articles, const QHash<QString, QString>& groupNames,
          const QList<DemoMachine>& machines)
{
    const bool issue = document.kind == DemoKind::Issue;
    const QString number = QString::number(document.number);
    const QString date = dateText(document.daysAgo);
    const DemoMachine machine =
        issue && document.machine >= 0 ? machines.value(document.machine) : DemoMachine();
    const auto set = [&ledger](const char* field, const QString& text) {
        ledger.setText(QString::fromLatin1(field), text);
    };
    const QString zero = QStringLiteral("0");

    ledger.first();
    for (const DemoLine& line : document.lines) {
        const DemoArticle article = articles.value(line.article);
        const QString quantity = Regional::formatNumber(line.quantity);
        ledger.insert();
        set("BROJDOKUMENTA", QString::number(documentNumber));
        set("NARUDZBENICA", zero);
        set("OTPREMNICA", issue ? number : zero);
        set("ULAZ", issue ? zero : number);
        set("PREDRACUN", zero);
        set("RADNINALOG", zero);
        set("RACUN", zero);
        set("POVRATNICA", zero);
        set("UMAGACIN", zero);
        set("MAGACIN", QStringLiteral("1"));
        set("KOMENTAR", document.comment1);
        set("KOMENTAR2", document.comment2);
        set("DATUM", date);
        set("VALUTA", date);
        set("SIFRAROBE", line.article);
        set("NAZIV", article.name);
        set("NAZIVGRUPE", groupNames.value(article.group));
        set("SIFRAGRUPE", article.group);
        set("CENA", zero);
        set("KOLICINA", quantity);
        set("RABAT", zero);
        set("UI", QStringLiteral("K"));
        set("SIFRAKUPCA", zero);
        set("KUPAC", QStringLiteral("VLASNIK"));
        set("VREDNOST", zero);
        set("KORISNIK", document.user);
        set("SIFRAMASINE", machine.code);
        set("SIFRAMASINE2", machine.code2);
        set("NAZIVMASINE", machine.name);
        ledger.post();

        magacin.findNearest(line.article);
        if (magacin.isEmpty() || magacin.text(QStringLiteral("SIFRA")) != line.article)
            throw EngineError(QStringLiteral("Demo article %1 is missing").arg(line.article));
        const double change = issue ? -line.quantity : line.quantity;
        magacin.edit();
        for (const char* field : {"KOLICINA", "MAGACIN1"}) {
            const QString name = QString::fromLatin1(field);
            magacin.setNumber(name, magacin.number(name) + change);
        }
        magacin.post();
    }
}

} // namespace

void SetupDemo::fill(Engine& engine, const QString& folder)
{
    const QDir dir(folder);
    const QList<DemoGroup> groups = SetupDemoCatalog::groups();
    const QList<DemoArticle> articleList = SetupDemoCatalog::articles();
    const QList<DemoMachine> machines = SetupDemoCatalog::machines();
    QHash<QString, QString> groupNames;
    for (const DemoGroup& group : groups)
        groupNames.insert(group.code, group.name);
    QHash<QString, DemoArticle> articles;
    for (const DemoArticle& article : articleList)
        articles.insert(article.code, article);

    // Every table is opened, and so attached, before the transaction begins.
    auto magacin = std::make_unique<Table>(engine, dir.filePath(QStringLiteral("magacin.db")));
    auto masina = std::make_unique<Table>(engine, dir.filePath(QStringLiteral("masina.db")));
    auto ledger = std::make_unique<Table>(engine, dir.filePath(QStringLiteral("prometx.db")));
    magacin->open();
    masina->open();
    ledger->open();

    Counters counters;
    {
        Transaction transaction(engine);
        addArticles(*magacin, articleList, groupNames);
        addMachines(*masina, machines);
        for (const DemoDocument& document : SetupDemoCatalog::documents()) {
            ++counters.document;
            post(*ledger, *magacin, document, counters.document, articles, groupNames, machines);
            int& last = document.kind == DemoKind::Issue ? counters.issue : counters.receipt;
            last = qMax(last, document.number);
        }
        transaction.commit();
    }
    magacin->close();
    masina->close();
    ledger->close();

    Groups stored;
    for (const DemoGroup& group : groups) {
        stored.names.append(group.name);
        stored.codes.append(group.code);
    }
    const std::unique_ptr<SharedData> shared = DataStore::sharedData(engine, dir.path());
    shared->setGroups(stored);
    shared->setLastNumber(Counter::Document, QString::number(counters.document));
    shared->setLastNumber(Counter::Issue, QString::number(counters.issue));
    shared->setLastNumber(Counter::Receipt, QString::number(counters.receipt));
}

} // namespace kestar
