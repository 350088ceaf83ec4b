#pragma once

namespace kestar {

class Engine;

// One unit of work over any number of table files: the posts inside it become visible to
// other connections and lasting only at commit(); leaving the scope without commit() rolls
// everything back, and every open cursor on a table it wrote rereads its rows. Transactions
// nest (the inner ones are savepoints).
class Transaction
{
public:
    explicit Transaction(Engine& engine);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Raises EngineError when the commit fails; the destructor then rolls back.
    void commit();

private:
    Engine& m_engine;
    bool m_done = false;
};

} // namespace kestar
