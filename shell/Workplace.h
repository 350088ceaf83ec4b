#pragma once

#include "data/NumberLine.h"
#include "data/SharedData.h"
#include "shell/Letterhead.h"

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <vector>

namespace kestar {

class Dataset;
class Engine;
class Messages;
class Query;
class Table;

// The data session every page works in: the table engine with the views the pages share, the
// shared data, the messages, and what start-up and the login leave for the pages (program
// folder, equipment switch, letterhead, the logged-in user and the last numbers). It is made
// before the main window and outlives it and every page, so a control never outlives the data
// it shows. The status panels show the user and the last numbers; they are kept here only.
class Workplace : public QObject
{
    Q_OBJECT
public:
    // The shared data of the store the engine works on: the data folder's text files, or the
    // rows of its database. Raises DataFolderRefusal when the engine will not work on the data
    // folder.
    explicit Workplace(Messages& messages);
    // With shared data of the caller's (none: as above).
    Workplace(Messages& messages, std::unique_ptr<SharedData> shared);
    ~Workplace() override;
    Workplace(const Workplace&) = delete;
    Workplace& operator=(const Workplace&) = delete;

    Messages& messages() const { return m_messages; }
    SharedData& sharedData() const { return *m_shared; }

    // The table engine and the views the pages share: the item table view over magacin, the
    // ledger table view over prometx and the document result set of the print pages.
    Engine& engine() const { return *m_engine; }
    Table& itemTableView() const { return *m_itemTable; }
    Table& ledgerTableView() const { return *m_ledgerTable; }
    Query& documentResultSet() const { return *m_documentResult; }
    // A cursor of a page's own, kept as long as the workplace: the controls that show it go
    // with their page, always before it.
    Table& ownTable(const QString& name);
    Query& ownQuery();
    // Closes the three shared views, as the log out does.
    void closeSharedViews();

    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    int equipmentSwitch() const { return m_equipmentSwitch; }
    void setEquipmentSwitch(int value) { m_equipmentSwitch = value; }
    const Letterhead& letterhead() const { return m_letterhead; }
    void setLetterhead(const Letterhead& letterhead) { m_letterhead = letterhead; }
    // A failed date-format check ends the program when the window would be shown.
    bool dateCheckFailed() const { return m_dateCheckFailed; }
    void setDateCheckFailed(bool failed) { m_dateCheckFailed = failed; }

    // The user the last login named; empty before the first login. Log out keeps it.
    QString user() const { return m_user; }
    void setUser(const QString& user);
    // True when the user is the administrator exactly.
    bool isAdministrator() const;

    // The last number of each counter as start-up read it or the last posting wrote it.
    NumberLine lastNumber(Counter counter) const;
    void setLastNumber(Counter counter, const NumberLine& number);

signals:
    void userChanged(const QString& user);
    void lastNumberChanged(Counter counter, const QString& text);

private:
    Messages& m_messages;
    // The engine first: the shared data may work on its connection, and go before it.
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<SharedData> m_shared;
    std::unique_ptr<Table> m_itemTable;
    std::unique_ptr<Table> m_ledgerTable;
    std::unique_ptr<Query> m_documentResult;
    std::vector<std::unique_ptr<Dataset>> m_own;
    QString m_programFolder;
    int m_equipmentSwitch = 0;
    Letterhead m_letterhead;
    bool m_dateCheckFailed = false;
    QString m_user;
    std::array<NumberLine, 5> m_lastNumbers;
};

} // namespace kestar
