#include "shell/CompanyFields.h"

namespace kestar {

QStringList companyFieldLabels()
{
    return {QStringLiteral("Naziv firme"),  QStringLiteral("Adresa"),
            QStringLiteral("Mesto"),        QStringLiteral("Telefon"),
            QStringLiteral("PIB"),          QStringLiteral("Maticni broj"),
            QStringLiteral("Ziro racun"),   QStringLiteral("Naziv banke"),
            QStringLiteral("Fax"),          QStringLiteral("Mobilni"),
            QStringLiteral("Mail"),         QStringLiteral("WWW"),
            QStringLiteral("Kontakt osoba")};
}

Letterhead composeLetterhead(const QStringList& fields)
{
    auto field = [&](int index) { return fields.value(index); };
    Letterhead letterhead;
    letterhead.name = field(CompanyField::Name);
    letterhead.address =
        field(CompanyField::Address) + QStringLiteral(" , ") + field(CompanyField::Town);
    letterhead.registration = QStringLiteral("Maticni broj ") +
                              field(CompanyField::RegistrationNumber) + QStringLiteral(", PIB ") +
                              field(CompanyField::TaxNumber);
    letterhead.telephone = QStringLiteral("Telefon: ") + field(CompanyField::Telephone) +
                           QStringLiteral(", Fax: ") + field(CompanyField::Fax) +
                           QStringLiteral(", mail: ") + field(CompanyField::Mail);
    return letterhead;
}

} // namespace kestar
