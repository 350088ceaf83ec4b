#pragma once

#include "data/SharedData.h"

#include <QString>

namespace kestar {

// The shared data as the small text files of the data folder hold them: the counters
// "dokument.txt", "predracun.txt", "rnalog.txt", "otpremnica.txt" and "ulaz.txt", the company
// file "firma.txt", the groups "grupe.txt" (names) and "sgrupe.txt" (codes), and the equipment
// file "oprema.txt". Windows-1250, CR LF after every line, each file replaced whole (TextFiles);
// the errors name the files.
class FileSharedData : public SharedData
{
public:
    // The program's own: the files of "podaci" below the working folder.
    FileSharedData();
    // The files of the data folder given (for the tools, which work on a folder by its path).
    explicit FileSharedData(const QString& dataFolder);

    // The file that holds the counter, as its errors name it.
    QString counterFile(Counter counter) const;
    // The names of every file this data lives in.
    static QStringList fileNames();

    NumberLine lastNumber(Counter counter) override;
    int firstNumber(Counter counter) override;
    bool holdsCounter(Counter counter) override;
    void setLastNumber(Counter counter, const QString& text) override;
    std::unique_ptr<CounterChange> changeCounters(const QList<Counter>& counters) override;
    QStringList companyLines() override;
    void setCompanyLines(const QStringList& lines) override;
    QStringList groupNames() override;
    Groups groups() override;
    void setGroups(const Groups& groups) override;
    NumberLine equipmentSwitch() override;
    void setEquipmentSwitch(int value) override;

private:
    QString path(const char* fileName, char separator = '/') const;

    QString m_folder; // empty: "podaci" below the working folder
};

} // namespace kestar
