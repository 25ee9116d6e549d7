#pragma once
// Records that worker threads hand to the frame's user-interface thread. The window message
// carries only a block's number, never an address: any process on the desktop can post the
// same message, and a number the frame did not hand out (or handed out and took back already)
// finds nothing.
#include <map>
#include <mutex>
#include <optional>
#include <vector>

class CPostedBlocks {
public:
    using Block = std::vector<unsigned char>;

    // Keeps the block until it is taken; answers its number, never 0.
    unsigned Keep(Block block);
    // The block of that number, once; nothing for a number that is not kept.
    std::optional<Block> Take(unsigned number);
    void Clear();

private:
    std::mutex m_lock;
    unsigned m_last = 0;
    std::map<unsigned, Block> m_blocks;
};
