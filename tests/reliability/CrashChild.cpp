// The process the crash test kills: it works on a real data folder with the program's own code,
// in an endless loop, and tells on stdout what it is doing, so that the parent can kill it at
// any moment of the work and know roughly where it was.
//
//   kestar_crash_child <program folder> post|save|card <seed> <first build number>
//                      [kill:K | kill-sync:K | power:K:SEED] [no-sync] [lost-super]
//
// kill:K ends the child before its K-th disk operation after "ready" (write, truncation, sync
// or removal), kill-sync:K right after its K-th sync or removal, power:K:SEED cuts the
// power at its K-th sync (SEED decides what the unsynced writes leave); no-sync and lost-super
// break the model of the disk, for runs that show the checks find what they must.
// post: posts one document after the other, each made from its document number.
// save: stages a batch of new articles in one transaction and saves it into magacin.
// card: overwrites a card's SALDO with a marker, then builds the card.

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FileSharedData.h"
#include "data/Query.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "goods/Posting.h"
#include "masterdata/NewArticles.h"
#include "platform/Regional.h"
#include "printing/ItemCard.h"
#include "tests/reliability/CrashChildPlan.h"
#include "tests/reliability/CrashVfs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <cstdio>

using namespace kestar;
using namespace kestar::test;
namespace Plan = kestar::test::CrashChildPlan;

namespace {

// A child nobody kills stops on its own, so that a parent that failed leaves no process behind.
constexpr int kLifetimeMs = 20000;

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void postLoop(Engine& engine, quint32 seed, const QDeadlineTimer& deadline)
{
    auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx.DB"));
    auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    CrashVfs::arm();
    say(QStringLiteral("ready"));
    FileSharedData shared;
    while (!deadline.hasExpired()) {
        // The counters as start-up and the goods document page read them.
        const NumberLine panel = shared.lastNumber(Counter::Document);
        const int number = panel.value + 1;
        GoodsDocument document = Plan::document(seed, number);
        document.lastDocumentNumber = panel.value;
        document.number =
            QString::number(qint64(shared.firstNumber(Posting::counterOf(document.kind))) + 1);
        say(QStringLiteral("posting %1").arg(number));
        Posting::post({engine, *ledger, *items, shared}, document);
        say(QStringLiteral("posted %1").arg(number));
    }
}

// The next batch is the one after the last batch in magacin; a batch already staged by a
// killed child is saved as it stands.
void saveLoop(Engine& engine, quint32 seed, const QDeadlineTimer& deadline)
{
    auto staged = std::make_unique<Table>(engine, QStringLiteral("podaci/pmagacin.db"));
    auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    CrashVfs::arm();
    say(QStringLiteral("ready"));
    while (!deadline.hasExpired()) {
        int last = 0;
        items->open();
        for (items->first(); !items->eof(); items->next())
            last = qMax(last, Plan::batchOf(items->text(QStringLiteral("SIFRA"))));
        const int number = last + 1;
        staged->open();
        if (staged->isEmpty()) {
            say(QStringLiteral("staging %1").arg(number));
            const QList<Plan::StagedArticle> rows = Plan::batch(seed, number);
            Transaction transaction(engine);
            for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
                staged->first();
                staged->insert();
                staged->setText(QStringLiteral("SIFRA"), row->code);
                staged->setText(QStringLiteral("NAZIV"), row->name);
                staged->setText(QStringLiteral("GRUPAROBE"), QStringLiteral("01"));
                staged->setText(QStringLiteral("NAZIVGRUPE"), QStringLiteral("Alati"));
                staged->setText(QStringLiteral("JM"), QStringLiteral("kom"));
                staged->setText(QStringLiteral("KOLICINA"), row->quantity);
                staged->setText(QStringLiteral("DATUMULAZA"), QStringLiteral("05/03/2026"));
                staged->post();
            }
            transaction.commit();
        }
        say(QStringLiteral("saving %1").arg(number));
        NewArticles::save(engine, *staged, *items);
        say(QStringLiteral("saved %1").arg(number));
    }
}

void cardLoop(Engine& engine, int build, const QDeadlineTimer& deadline)
{
    auto card = std::make_unique<Query>(engine);
    auto marker = std::make_unique<Query>(engine);
    const QStringList codes = Plan::cardArticles();
    CrashVfs::arm();
    say(QStringLiteral("ready"));
    for (; !deadline.hasExpired(); ++build) {
        const QString code = codes.at(build % codes.size());
        say(QStringLiteral("marking %1").arg(build));
        {
            Transaction transaction(engine);
            marker->setSql(ItemCard::statement(code));
            marker->open();
            for (marker->first(); !marker->eof(); marker->next()) {
                marker->edit();
                marker->setNumber(QStringLiteral("SALDO"), Plan::cardMarker(build));
                marker->post();
            }
            transaction.commit();
            marker->close();
        }
        say(QStringLiteral("building %1").arg(build));
        ItemCard::build(engine, *card, code);
        say(QStringLiteral("built %1").arg(build));
    }
}

// The layer under SQLite as the command line asks for it; false for words it does not know.
bool installLayer(const QStringList& words)
{
    CrashVfs::Options options;
    for (const QString& word : words) {
        const QStringList parts = word.split(QLatin1Char(':'));
        if ((parts.first() == QLatin1String("kill") ||
             parts.first() == QLatin1String("kill-sync")) &&
            parts.size() == 2) {
            options.trigger = CrashVfs::Trigger::Kill;
            options.at = parts.at(1).toLongLong();
            options.countSyncsAndRemovals = parts.first() == QLatin1String("kill-sync");
        } else if (parts.first() == QLatin1String("power") && parts.size() == 3) {
            options.trigger = CrashVfs::Trigger::PowerLoss;
            options.at = parts.at(1).toLongLong();
            options.seed = parts.at(2).toUInt();
        } else if (word == QLatin1String("no-sync")) {
            options.syncsKeepNothing = true;
        } else if (word == QLatin1String("lost-super")) {
            options.superJournalsLost = true;
        } else {
            return false;
        }
    }
    CrashVfs::install(options);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5 || !installLayer(args.mid(5))) {
        std::fputs("usage: kestar_crash_child <folder> post|save|card <seed> <build> "
                   "[kill:K | kill-sync:K | power:K:SEED] [no-sync] [lost-super]\n",
                   stderr);
        return 2;
    }
    if (!QDir::setCurrent(args.at(1))) {
        std::fputs("cannot enter the program folder\n", stderr);
        return 2;
    }
    Regional::setCurrent(Regional::standard());
    const QString mode = args.at(2);
    const quint32 seed = args.at(3).toUInt();
    const int build = args.at(4).toInt();
    const QDeadlineTimer deadline(kLifetimeMs);
    try {
        Engine engine;
        if (mode == QLatin1String("post"))
            postLoop(engine, seed, deadline);
        else if (mode == QLatin1String("save"))
            saveLoop(engine, seed, deadline);
        else if (mode == QLatin1String("card"))
            cardLoop(engine, build, deadline);
        else
            return 2;
    } catch (const EngineError& error) {
        std::fputs(qPrintable(QStringLiteral("engine error: %1\n").arg(error.text())), stderr);
        return 1;
    }
    return 3;
}
