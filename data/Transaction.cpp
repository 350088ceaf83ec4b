#include "data/Transaction.h"

#include "data/Engine.h"

namespace kestar {

Transaction::Transaction(Engine& engine) : m_engine(engine)
{
    m_engine.begin();
}

Transaction::~Transaction()
{
    if (!m_done)
        m_engine.rollback();
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_engine.commit();
    m_done = true;
}

} // namespace kestar
