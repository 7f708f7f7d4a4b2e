#include "app/GifWalker.h"

#include <algorithm>

namespace korvel {

namespace {

enum class Block { Application, Comment, GraphicControl, PlainText, Image, Trailer, Unknown };

constexpr std::size_t kScreenEnd = 13;  // 6-byte header and 7-byte logical screen descriptor

class Walker {
public:
    Walker(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    Block KindAt(std::size_t pos) const
    {
        if (pos >= m_size) return Block::Unknown;
        if (m_data[pos] == 0x2C) return Block::Image;
        if (m_data[pos] == 0x3B) return Block::Trailer;
        if (m_data[pos] != 0x21 || pos + 1 >= m_size) return Block::Unknown;
        switch (m_data[pos + 1]) {
        case 0xFF: return Block::Application;
        case 0xFE: return Block::Comment;
        case 0xF9: return Block::GraphicControl;
        case 0x01: return Block::PlainText;
        default: return Block::Unknown;
        }
    }

    // Bytes of the length-prefixed sub-blocks from pos through the zero
    // terminator; 0 when they run past the data.
    std::size_t SubBlocksLength(std::size_t pos) const
    {
        std::size_t p = pos;
        while (p < m_size) {
            const std::size_t n = m_data[p];
            if (n == 0) return p + 1 - pos;
            p += n + 1;
        }
        return 0;
    }

    // Length of the block at pos; 0 when it cannot be measured.
    std::size_t BlockLength(std::size_t pos) const
    {
        auto withSubBlocks = [this](std::size_t fixed, std::size_t at) {
            const std::size_t sub = SubBlocksLength(at);
            return sub == 0 ? 0 : fixed + sub;
        };
        switch (KindAt(pos)) {
        case Block::Application: return withSubBlocks(14, pos + 14);
        case Block::Comment: return withSubBlocks(2, pos + 2);
        case Block::GraphicControl: return 8;
        case Block::PlainText: return withSubBlocks(15, pos + 15);
        case Block::Image: {
            if (pos + 10 > m_size) return 0;
            const std::uint8_t packed = m_data[pos + 9];
            const std::size_t local = (packed & 0x80) != 0 ? 3 * (std::size_t{1} << ((packed & 7) + 1)) : 0;
            return withSubBlocks(11 + local, pos + 11 + local);
        }
        case Block::Trailer: return 1;
        default: return 0;
        }
    }

    // The end of the block at pos, when it lies inside the data.
    std::optional<std::size_t> StepOver(std::size_t pos) const
    {
        const std::size_t n = BlockLength(pos);
        if (n < 1 || pos + n > m_size) return std::nullopt;
        return pos + n;
    }

    std::uint16_t U16(std::size_t pos) const
    {
        return static_cast<std::uint16_t>(m_data[pos] | (m_data[pos + 1] << 8));
    }

    // The frame that starts at or after pos (extensions before it skipped).
    std::optional<GifFrameInfo> NextFrame(std::size_t pos) const
    {
        GifFrameInfo frame;
        // Application and comment blocks before the frame belong to no frame.
        for (Block kind = KindAt(pos); kind == Block::Application || kind == Block::Comment; kind = KindAt(pos)) {
            const auto next = StepOver(pos);
            if (!next) return std::nullopt;
            pos = *next;
        }
        frame.start = pos;
        if (KindAt(pos) == Block::GraphicControl) {
            const auto next = StepOver(pos);
            if (!next) return std::nullopt;
            frame.delay = U16(pos + 4);
            frame.disposal = (m_data[pos + 3] >> 2) & 7;
            if ((m_data[pos + 3] & 1) != 0) frame.transparent = m_data[pos + 6];
            pos = *next;
            for (Block kind = KindAt(pos); kind == Block::Application || kind == Block::Comment; kind = KindAt(pos)) {
                const auto after = StepOver(pos);
                if (!after) return std::nullopt;
                pos = *after;
            }
        }
        const Block kind = KindAt(pos);
        if (kind != Block::Image && kind != Block::PlainText) return std::nullopt;
        const auto end = StepOver(pos);
        if (!end) return std::nullopt;
        if (kind == Block::Image) {
            frame.left = U16(pos + 1);
            frame.top = U16(pos + 3);
            frame.width = U16(pos + 5);
            frame.height = U16(pos + 7);
            frame.descriptor = pos;
        }
        frame.end = *end;
        return frame;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// The codes of LZW data in length-prefixed sub-blocks, least significant bit
// first.
class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t pos, std::size_t end) : m_data(data), m_pos(pos), m_end(end) {}

    // The next code of n bits; -1 where the data end.
    int Read(int n)
    {
        while (m_bits < n) {
            if (m_left == 0) {
                if (m_pos >= m_end || m_data[m_pos] == 0) return -1;
                m_left = m_data[m_pos++];
            }
            if (m_pos >= m_end) return -1;
            m_buffer |= static_cast<std::uint32_t>(m_data[m_pos++]) << m_bits;
            m_bits += 8;
            --m_left;
        }
        const int code = static_cast<int>(m_buffer & ((1u << n) - 1));
        m_buffer >>= n;
        m_bits -= n;
        return code;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_pos, m_end;
    std::size_t m_left = 0;  // bytes left in the current sub-block
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

// The row the r-th decoded row of a frame of the given height lands on.
int RowOf(int r, int height, bool interlaced)
{
    if (!interlaced) return r;
    // Passes: every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    const int pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
    if (r < pass1) return 8 * r;
    r -= pass1;
    if (r < pass2) return 8 * r + 4;
    r -= pass2;
    if (r < pass3) return 4 * r + 2;
    return 2 * (r - pass3) + 1;
}

constexpr int kMaxCodes = 4096;  // codes of at most 12 bits

}  // namespace

std::optional<GifLayout> WalkGif(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < kScreenEnd || data[0] != 'G' || data[1] != 'I' || data[2] != 'F') return std::nullopt;
    GifLayout layout;
    layout.width = data[6] | (data[7] << 8);
    layout.height = data[8] | (data[9] << 8);
    const std::uint8_t packed = data[10];
    layout.globalTableSize = (packed & 0x80) != 0 ? 3 * (std::size_t{1} << ((packed & 7) + 1)) : 0;
    Walker walker(data, size);
    std::size_t pos = kScreenEnd + layout.globalTableSize;
    while (pos < size) {
        const auto frame = walker.NextFrame(pos);
        if (!frame) break;
        layout.frames.push_back(*frame);
        pos = frame->end;
    }
    return layout;
}

bool DecodeGifFrame(const std::uint8_t* data, std::size_t size, const GifLayout& layout, const GifFrameInfo& frame,
                    int left, int top, int width, int height, std::vector<std::uint32_t>* argb)
{
    width = std::max(width, 0), height = std::max(height, 0);
    if (argb != nullptr) argb->assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    // A frame of no pixels draws nothing, whatever its data.
    if (frame.descriptor == 0 || frame.width == 0 || frame.height == 0) return true;
    const std::size_t d = frame.descriptor;
    const std::uint8_t packed = data[d + 9];
    const bool interlaced = (packed & 0x40) != 0;
    const std::size_t local = (packed & 0x80) != 0 ? 3 * (std::size_t{1} << ((packed & 7) + 1)) : 0;
    const std::uint8_t* table = local != 0 ? data + d + 10 : data + kScreenEnd;
    const std::size_t colours = local != 0 ? local / 3 : std::min(layout.globalTableSize, size - kScreenEnd) / 3;
    const int minCode = data[d + 10 + local];
    if (minCode < 1 || minCode > 8) return false;

    // The area in the frame's own coordinates.
    const int x0 = left - frame.left, y0 = top - frame.top, x1 = x0 + width, y1 = y0 + height;
    const int w = frame.width, h = frame.height;
    const long long total = static_cast<long long>(w) * h;
    const bool drawing = argb != nullptr && width > 0 && height > 0;
    // Whether the run of n pixels from the p-th touches the area.
    auto touches = [&](long long p, int n) {
        const int r0 = static_cast<int>(p / w), r1 = static_cast<int>((p + n - 1) / w);
        if (r0 == r1) {
            const int c0 = static_cast<int>(p % w), c1 = c0 + n;
            if (c1 <= x0 || c0 >= x1) return false;
        }
        for (int r = r0; r <= r1 && r < h; ++r) {
            const int y = RowOf(r, h, interlaced);
            if (y >= y0 && y < y1) return true;
        }
        return false;
    };

    std::vector<std::uint16_t> prefix(kMaxCodes), length(kMaxCodes);
    std::vector<std::uint8_t> suffix(kMaxCodes), first(kMaxCodes), run(kMaxCodes);
    const int clear = 1 << minCode, endCode = clear + 1;
    for (int i = 0; i < clear; ++i) suffix[i] = first[i] = static_cast<std::uint8_t>(i), length[i] = 1;
    int next = clear + 2, codeSize = minCode + 1, previous = -1;
    long long p = 0;
    CodeReader reader(data, d + 11 + local, frame.end);
    for (int code = reader.Read(codeSize); code >= 0 && code != endCode; code = reader.Read(codeSize)) {
        if (code == clear) {
            next = clear + 2, codeSize = minCode + 1, previous = -1;
            continue;
        }
        if (previous < 0 ? code > clear : code > next) return false;
        if (previous >= 0 && next < kMaxCodes) {
            // The previous string and the first index of this one (of the
            // previous string itself when the code is the one being made).
            prefix[next] = static_cast<std::uint16_t>(previous);
            first[next] = first[previous];
            suffix[next] = code == next ? first[previous] : first[code];
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            if (++next == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        previous = code;
        const int n = static_cast<int>(std::min<long long>(length[code], total - p));
        if (drawing && n > 0 && touches(p, n)) {
            int c = code;
            for (int k = length[code] - 1; k >= 0; --k, c = prefix[c]) run[k] = suffix[c];
            for (int k = 0; k < n; ++k) {
                const int x = static_cast<int>((p + k) % w), y = RowOf(static_cast<int>((p + k) / w), h, interlaced);
                if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
                const int index = run[k];
                if (index == frame.transparent || static_cast<std::size_t>(index) >= colours) continue;
                const std::uint8_t* rgb = table + 3 * index;
                (*argb)[static_cast<std::size_t>(y - y0) * width + (x - x0)] =
                    0xFF000000u | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
            }
        }
        p += length[code];
    }
    return true;
}

}  // namespace korvel
