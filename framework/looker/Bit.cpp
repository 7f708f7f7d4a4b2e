#include "framework/looker/Bit.h"

int CBit::Create(int count, int value)
{
    m_words.clear();
    m_nCount = 0;
    if (count < 0) return 0;
    m_nCount = count;
    m_words.assign((static_cast<std::size_t>(count) + 63) / 64, 0);
    SetAll(value != 0);
    return 1;
}

void CBit::SetBit(int i, bool value)
{
    if (i < 0 || i >= m_nCount) return;
    std::uint64_t mask = std::uint64_t{1} << (i & 63);
    std::uint64_t& word = m_words[static_cast<std::size_t>(i) >> 6];
    word = value ? (word | mask) : (word & ~mask);
}

void CBit::SetAll(bool value)
{
    for (std::uint64_t& w : m_words) w = value ? ~std::uint64_t{0} : 0;
    // Bits past the count stay clear.
    if (value && (m_nCount & 63)) m_words.back() &= (std::uint64_t{1} << (m_nCount & 63)) - 1;
}
