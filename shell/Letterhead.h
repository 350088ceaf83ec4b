#pragma once

#include <QString>

namespace kestar {

// The four texts at the head of every printed report, composed from the company data at
// start-up. Before that they hold their placeholders.
struct Letterhead
{
    QString name = QStringLiteral("Naziv firme");
    QString address = QStringLiteral("Adresa");
    QString registration = QStringLiteral("Maticni broj");
    QString telephone = QStringLiteral("Telefon");
};

} // namespace kestar
