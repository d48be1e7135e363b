#include "http/BufferBudget.h"

namespace corvane::relay {

BufferBudget::BufferBudget(std::uint64_t limit) : m_limit(limit)
{
}

bool BufferBudget::fits(std::uint64_t bytes) const
{
    return m_held <= m_limit && bytes <= m_limit - m_held;
}

BufferBudget::Share::Share(BufferBudget& budget) : m_budget(budget)
{
}

BufferBudget::Share::~Share()
{
    m_budget.m_held -= m_bytes;
}

bool BufferBudget::Share::hold(std::uint64_t bytes)
{
    m_budget.m_held = m_budget.m_held - m_bytes + bytes;
    m_bytes = bytes;
    return m_budget.m_held <= m_budget.m_limit;
}

} // namespace corvane::relay
