#pragma once

#include "data/NumberLine.h"
#include "data/SharedData.h"
#include "platform/Messages.h"

#include <QDate>
#include <QList>
#include <QString>

namespace kestar {

class Engine;
class Table;

enum class DocumentKind
{
    Issue,
    Receipt
};

// One line of a goods document, the five cells as the grid holds them.
struct DocumentLine
{
    QString code;
    QString name;
    QString quantity;
    QString groupCode;
    QString groupName;
};

// Everything a posting takes from the goods document page and the session.
struct GoodsDocument
{
    DocumentKind kind = DocumentKind::Issue;
    QString number; // the number field's text
    QDate date;
    QString comment1;
    QString comment2;
    QString machineCode;
    QString machineCode2;
    QString machineName;
    QList<DocumentLine> lines; // lines 1 to the line count
    // The user chose to add the lines to the document the ledger already holds with this
    // number (numberHeldQuestion); else a number held by the time of posting gives way.
    bool addToHeldNumber = false;

    int lastDocumentNumber = 0; // the last document number the session knows
    QString user;               // the logged-in user
    int equipmentSwitch = 0;
};

// The views a posting writes through, the engine whose transaction holds them together, and
// the shared data that holds the counters.
struct PostingTarget
{
    Engine& engine;
    Table& ledger; // prometx
    Table& items;  // magacin
    SharedData& shared;
};

// The numbers a posting used, for the session to know as the last ones.
struct PostingResult
{
    DocumentKind kind = DocumentKind::Issue;
    int documentNumber = 0; // BROJDOKUMENTA of the rows, now the document counter
    NumberLine kindNumber;  // the issue or receipt number, now the kind's counter
};

namespace Posting {

inline const QString kConfirm = Messages::kAreYouSure;
inline const QString kMachineMissing = QStringLiteral("Morate izabrati masinu!!!");
inline const QString kNothingToPost = QStringLiteral("Nista niste ubacili u listu za knjizenje!!!");
inline const QString kPosted =
    QStringLiteral("Svi podaci su uspesno upamceni i promenjeno je stanje robe u magacinu!");

// The counter that holds the last number of a kind of document.
Counter counterOf(DocumentKind kind);

// The message after a success: kPosted, and when the number on the page had been taken by
// another workstation meanwhile, which number the document got instead.
QString postedMessage(const GoodsDocument& document, const PostingResult& result);

// Why the document may not be posted at all, as the message the user is shown; empty when it
// may. An issue needs a machine while the equipment switch is 1; a document needs at least one
// line with an article code.
QString refusal(const GoodsDocument& document);

// The question before a document whose number the ledger already holds for its kind: posting it
// adds its lines to that document.
QString numberHeldQuestion(DocumentKind kind, const QString& number);

// Whether the ledger holds a document of the kind with the number field's text as its number.
// A text that is not a whole number, and 0, are held by no document; a ledger that cannot be
// read holds none either (the posting then reports why it cannot be read).
bool numberHeld(const PostingTarget& target, DocumentKind kind, const QString& number);

// Posts the document: one ledger row per line, all of them ahead of the ledger's first row
// with the last line on top (where inserting each line before the row inserted last, after a
// move to the first row, puts it), the stock of the matching article lowered (issue) or raised
// (receipt) by each line's quantity, and the document counter and the kind's counter set. A
// bounded number of statements, however many lines.
//
// BROJDOKUMENTA is the last document number plus one, or, when the ledger holds that number
// already, the largest number in the ledger plus one: a posting never shares it. The last
// document number is the session's where one running copy has the tables to itself; where
// other workstations post into the same tables, it is the counter's, locked and read as the
// first thing the posting's transaction does, so that postings take their numbers one after
// another. The issue or receipt number is the number field's, unless the ledger holds it for
// the kind and the document does not say to add to it: then the next free one after the kind's
// counter or the number field, whichever is larger (result.kindNumber says which).
//
// Every value is converted and checked before anything is written; a value that does not
// convert raises EngineError with the engine's text and nothing is written. The rows, the stock
// and the counters are one unit: a failure anywhere, the commit included, leaves the tables as
// they were and puts the counters back as they were (CounterChange); the error then also names
// a counter that could not be put back. Both views are closed after a success.
// Does not look at refusal().
PostingResult post(const PostingTarget& target, const GoodsDocument& document);

} // namespace Posting
} // namespace kestar
