#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace kestar::test {

// A temporary program folder with an empty "podaci" and "back-up" inside, made the working
// folder for the lifetime of the object (the former working folder comes back after it).
// When the tests run on PostgreSQL (onPostgres()), it also makes a database of its own, named
// in podaci/baza.txt and holding the table of the shared data, and drops it at the end; there
// write(), read() and remove() of a shared data file ("firma.txt", "otpremnica.txt", ...)
// work on its row instead, as the program keeps it.
bool onPostgres();

class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    QString path() const { return m_dir.path(); }
    QString dataPath(const QString& name) const; // path of podaci/<name>
    // Writes raw bytes into podaci/<name>.
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    void remove(const QString& name) const;
    // The standard text files with sound contents: 13-line company file, "1" in the
    // equipment file, "0" in every counter file, empty group files.
    void writeStandardTextFiles() const;

    // The database of the folder on PostgreSQL, "" on SQLite.
    QString database() const { return m_database; }

private:
    bool isSharedRow(const QString& name) const;

    QTemporaryDir m_dir;
    QString m_database;
    QString m_saved;
};

} // namespace kestar::test
