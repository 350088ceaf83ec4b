#include "tools/SetupFolder.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/SharedData.h"
#include "data/SharedDataStore.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "tools/SetupDatabase.h"
#include "tools/SetupDemo.h"
#include "tools/SetupDemoCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace kestar {

namespace {

constexpr QDir::Filters kAnyEntry =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

const QStringList& counterNames()
{
    static const QStringList names{QStringLiteral("dokument.txt"), QStringLiteral("otpremnica.txt"),
                                   QStringLiteral("ulaz.txt"), QStringLiteral("predracun.txt"),
                                   QStringLiteral("rnalog.txt")};
    return names;
}

void checkPassword(const QString& password)
{
    if (password.isEmpty())
        throw SetupError(QStringLiteral("The password may not be empty; nothing was changed"));
    if (password.size() > SetupFolder::kMaxPasswordLength)
        throw SetupError(
            QStringLiteral("The password may have at most %1 characters (the login field takes "
                           "no more); nothing was changed")
                .arg(SetupFolder::kMaxPasswordLength));
}

void writeSharedData(Engine& engine, const QString& folder, bool demo)
{
    const std::unique_ptr<SharedData> shared = DataStore::sharedData(engine, folder);
    QStringList company = demo ? SetupDemoCatalog::companyLines() : QStringList();
    shared->setCompanyLines(TextFiles::fitFields(company, TextFiles::kCompanyFieldCount));
    shared->setEquipmentSwitch(1);
    for (Counter counter :
         {Counter::Document, Counter::Issue, Counter::Receipt, Counter::Order, Counter::WorkOrder})
        shared->setLastNumber(counter, QStringLiteral("0"));
    shared->setGroups({});
}

void addUsers(Engine& engine, const QString& folder, const QList<DemoUser>& users)
{
    auto korisnici =
        std::make_unique<Table>(engine, QDir(folder).filePath(QStringLiteral("korisnici.db")));
    korisnici->open();
    Transaction transaction(engine);
    // Each row goes in front of the ones before it: insert the last user first.
    for (auto user = users.crbegin(); user != users.crend(); ++user) {
        korisnici->first();
        korisnici->insert();
        korisnici->setText(QStringLiteral("SIFRA"), user->password);
        korisnici->setText(QStringLiteral("KORISNIK"), user->name);
        korisnici->post();
    }
    transaction.commit();
    korisnici->close();
}

// Takes away what create() made: every entry of a folder that was empty or missing before.
void removeMade(const QString& folder, bool folderWasMade)
{
    QDir dir(folder);
    if (folderWasMade) {
        dir.removeRecursively();
        return;
    }
    const QFileInfoList entries = dir.entryInfoList(kAnyEntry);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

} // namespace

QStringList SetupFolder::textFileNames()
{
    QStringList names{QStringLiteral("firma.txt"), QStringLiteral("oprema.txt")};
    names += counterNames();
    names += {QStringLiteral("grupe.txt"), QStringLiteral("sgrupe.txt")};
    return names;
}

void SetupFolder::create(const SetupOptions& options)
{
    checkPassword(options.password);
    if (options.folder.trimmed().isEmpty())
        throw SetupError(QStringLiteral("No data folder given; nothing was changed"));
    const bool onDatabase = !options.postgres.isEmpty();
    if (onDatabase)
        SetupDatabase::checkConnectionString(options.postgres);
    const QFileInfo info(options.folder);
    if (info.exists() || info.isSymLink()) {
        if (!info.isDir() || !QDir(options.folder).isEmpty(kAnyEntry))
            throw SetupError(
                QStringLiteral("%1 already exists; nothing was changed").arg(options.folder));
    }
    if (onDatabase)
        SetupDatabase::refuseHeldDatabase(options.postgres);
    const bool folderWasMade = !info.exists();
    if (folderWasMade && !QDir().mkpath(options.folder))
        throw SetupError(
            QStringLiteral("Cannot make the folder %1; nothing was changed").arg(options.folder));
    const QString folder = QFileInfo(options.folder).canonicalFilePath();

    try {
        // The selector file goes first: the tables are made where it points.
        if (onDatabase)
            SetupDatabase::writeSelector(folder, options.postgres);
        for (const TableDef& def : Schema::tables())
            Schema::createTableFile(folder, def);
        Engine engine(folder);
        if (onDatabase)
            SetupDatabase::createSharedTable(engine);
        writeSharedData(engine, folder, options.demo);
        QList<DemoUser> users{{QStringLiteral("Administrator"), options.password}};
        if (options.demo)
            users += SetupDemoCatalog::workers();
        addUsers(engine, folder, users);
        if (options.demo)
            SetupDemo::fill(engine, folder);
    } catch (...) {
        // The database held none of the tables before: every one there now is this call's.
        if (onDatabase)
            SetupDatabase::dropProgramTables(options.postgres);
        removeMade(folder, folderWasMade);
        throw;
    }
}

} // namespace kestar
