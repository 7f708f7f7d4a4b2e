#include "app/GifWalker.h"

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
        }
        frame.end = *end;
        return frame;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

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

}  // namespace korvel
