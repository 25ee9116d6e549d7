#include "wizard/posted_blocks.h"

unsigned CPostedBlocks::Keep(Block block) {
    std::lock_guard<std::mutex> lock(m_lock);
    do {
        ++m_last;
    } while (m_last == 0 || m_blocks.count(m_last) != 0);
    m_blocks.emplace(m_last, std::move(block));
    return m_last;
}

std::optional<CPostedBlocks::Block> CPostedBlocks::Take(unsigned number) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_blocks.find(number);
    if (it == m_blocks.end())
        return std::nullopt;
    Block block = std::move(it->second);
    m_blocks.erase(it);
    return block;
}

void CPostedBlocks::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_blocks.clear();
}
