// A fixed-size set of bits, one per element of some array (mesh vertices, grid nodes).
#pragma once

#include <cstdint>
#include <vector>

class CBit {
public:
    CBit() = default;

    // count bits, every one set to value; 1, or 0 (empty set) for a negative count.
    int Create(int count, int value);
    int GetSize() const { return m_nCount; }

    // Out-of-range indices read false and are not written.
    bool IsTrue(int i) const
    {
        return i >= 0 && i < m_nCount && ((m_words[static_cast<std::size_t>(i) >> 6] >> (i & 63)) & 1u);
    }
    void SetBit(int i, bool value);
    void SetAll(bool value);

private:
    std::vector<std::uint64_t> m_words;
    int m_nCount = 0;
};
