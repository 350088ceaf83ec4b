#pragma once

#include <QString>
#include <stdexcept>

namespace kestar {

// A refusal of the set-up tool, in words for the person who ran it.
class SetupError : public std::runtime_error
{
public:
    explicit SetupError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

struct SetupOptions
{
    QString folder;                           // the data folder to make
    QString password = QStringLiteral("123"); // the administrator's password
    bool demo = false;                        // fill in the demo data set as well
    QString postgres; // a libpq connection string: the tables go into that database
};

// Makes a new data folder: the five tables, the text files and the first user.
class SetupFolder
{
public:
    static constexpr int kMaxPasswordLength = 3; // the login field takes no more

    // Makes options.folder (and its parents) with
    // - the tables magacin, pmagacin, prometx, korisnici and masina, empty, fields in order;
    // - firma.txt with 13 empty lines (the demo firm with demo), "1" in oprema.txt, "0" in the
    //   counters dokument, otpremnica, ulaz, predracun and rnalog, empty grupe.txt and sgrupe.txt,
    //   all Windows-1250 with CR LF;
    // - the user "Administrator" with the password;
    // - with demo, the demo data set of SetupDemo.
    // With postgres, the tables are made in that database and the folder gets the selector file
    // (DataStore) naming it, beside the text files.
    // Refuses with SetupError, changing nothing, when the folder exists and is not empty, the
    // password is empty or longer than kMaxPasswordLength, or the database cannot be reached,
    // is named with a password or already holds any of the tables. When a later step fails,
    // whatever this call had made (tables in the database too) is removed again and the
    // failure is raised (SetupError or EngineError).
    static void create(const SetupOptions& options);

    // The names of the text files every data folder has, as they lie in the folder.
    static QStringList textFileNames();
};

} // namespace kestar
