#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

struct DemoGroup
{
    QString code; // at most 3 characters
    QString name;
};

struct DemoArticle
{
    QString code;
    QString name;
    QString group; // code of its group
    QString unit;
    double stock = 0; // stock before the demo documents
    double minimum = 0;
    double toOrder = 0; // KOLICINAZANABAVKU
    double purchasePrice = 0;
    double salePrice = 0;
    bool product = false;
    int enteredDaysAgo = 0;
};

struct DemoMachine
{
    QString code;
    QString code2;
    QString name;
};

struct DemoUser
{
    QString name;
    QString password;
};

enum class DemoKind
{
    Issue,
    Receipt
};

struct DemoLine
{
    QString article; // article code
    double quantity = 0;
};

struct DemoDocument
{
    DemoKind kind = DemoKind::Issue;
    int number = 0; // issue or receipt number
    int daysAgo = 0;
    QString user;
    QString comment1;
    QString comment2;
    int machine = -1; // index into machines(), -1 for none
    QList<DemoLine> lines;
};

// The invented firm of the demo data folder: no real firm, person or address. Names are
// Serbian in Latin letters without diacritics, as the program's own texts are.
namespace SetupDemoCatalog {

// The 13 lines of the company file.
QStringList companyLines();
QList<DemoGroup> groups();
// About fifty articles, every one in a group of groups().
QList<DemoArticle> articles();
QList<DemoMachine> machines();
// Users besides the administrator.
QList<DemoUser> workers();
// The documents in the order they were posted, oldest first.
QList<DemoDocument> documents();

} // namespace SetupDemoCatalog
} // namespace kestar
