#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

class QAbstractItemView;
class QLineEdit;

namespace kestar {
class Engine;
}

namespace kestar::test {

using Row = QMap<QString, QString>; // field -> text

// Creates the five empty tables in podaci/ of the working folder.
void createAllTables();
// Adds rows to a table, each row's fields set as text. In a table without key they stand in
// the order given, before any rows already there (a keyed table orders them by key).
void addRows(Engine& engine, const QString& table, const QList<Row>& rows);
// Every row of a table, in its natural order, as field -> text.
QList<Row> readRows(Engine& engine, const QString& table);
class TestFolder;
// Takes a table away from the folder's data: its file, or its table on PostgreSQL.
void removeTable(const TestFolder& folder, const QString& table);
// Whether a connection of its own that will not wait for a lock (as another process would hold
// it) runs the statements on the table file in one transaction at once. A warning names why not.
bool writesAtOnce(const QString& tableFile, const char* sql);

// The text of the EngineError the action raises, "" when it raises none.
QString errorOf(const std::function<void()>& action);

// The cell editor open in a grid, or nullptr. Closed editors linger hidden until they are
// deleted; the open one is the visible one.
QLineEdit* openCellEditor(const QAbstractItemView* grid);

// Every entry under folder, hidden ones too, by path relative to it, with the bytes of each
// file ("<folder>" for a folder): to see that a refusal changed nothing.
QMap<QString, QByteArray> snapshot(const QString& folder);

// A process that runs sql on the table file in one transaction and is killed before it
// commits. With a cache of two pages SQLite writes changed pages into the file before the
// commit, so a statement that changes many rows leaves the file half written and its journal
// hot, as a crash of the program does.
void killInsideAWrite(const QString& tableFile, const char* sql);

} // namespace kestar::test
