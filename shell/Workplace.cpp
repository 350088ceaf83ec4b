#include "shell/Workplace.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/SharedDataStore.h"
#include "data/Table.h"

namespace kestar {

Workplace::Workplace(Messages& messages) : Workplace(messages, nullptr) {}

Workplace::Workplace(Messages& messages, std::unique_ptr<SharedData> shared)
    : m_messages(messages), m_engine(std::make_unique<Engine>()),
      m_shared(shared ? std::move(shared) : DataStore::sharedData(*m_engine)),
      m_itemTable(std::make_unique<Table>(*m_engine, QStringLiteral("podaci/magacin.db"))),
      m_ledgerTable(std::make_unique<Table>(*m_engine, QStringLiteral("podaci/prometx.DB"))),
      m_documentResult(std::make_unique<Query>(*m_engine))
{
    m_documentResult->setReadOnly(true);
    m_lastNumbers.fill(NumberLine{0, QStringLiteral("0")});
}

Workplace::~Workplace()
{
    // The pages' own cursors go before the engine they run on.
    m_own.clear();
}

Table& Workplace::ownTable(const QString& name)
{
    auto table = std::make_unique<Table>(*m_engine, name);
    Table& kept = *table;
    m_own.push_back(std::move(table));
    return kept;
}

Query& Workplace::ownQuery()
{
    auto query = std::make_unique<Query>(*m_engine);
    Query& kept = *query;
    m_own.push_back(std::move(query));
    return kept;
}

void Workplace::closeSharedViews()
{
    m_itemTable->close();
    m_ledgerTable->close();
    m_documentResult->close();
}

void Workplace::setUser(const QString& user)
{
    m_user = user;
    emit userChanged(user);
}

bool Workplace::isAdministrator() const
{
    return m_user == QLatin1String("Administrator");
}

NumberLine Workplace::lastNumber(Counter counter) const
{
    return m_lastNumbers.at(size_t(counter));
}

void Workplace::setLastNumber(Counter counter, const NumberLine& number)
{
    m_lastNumbers.at(size_t(counter)) = number;
    emit lastNumberChanged(counter, number.text);
}

} // namespace kestar
