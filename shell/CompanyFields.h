#pragma once

#include "shell/Letterhead.h"

#include <QStringList>

namespace kestar {

// The company file holds thirteen fields, one per line, in this order.
namespace CompanyField {
constexpr int Name = 0;
constexpr int Address = 1;
constexpr int Town = 2;
constexpr int Telephone = 3;
constexpr int TaxNumber = 4;
constexpr int RegistrationNumber = 5;
constexpr int BankAccount = 6;
constexpr int BankName = 7;
constexpr int Fax = 8;
constexpr int Mobile = 9;
constexpr int Mail = 10;
constexpr int Web = 11;
constexpr int ContactPerson = 12;
constexpr int Count = 13;
} // namespace CompanyField

// The labels of the thirteen fields as the company data page shows them.
QStringList companyFieldLabels();

// Composes the four letterhead texts from the thirteen company fields. Nothing is trimmed; an
// empty field leaves its neighbours in place.
Letterhead composeLetterhead(const QStringList& fields);

} // namespace kestar
