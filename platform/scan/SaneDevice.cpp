#include "platform/scan/SaneDevice.h"

#include <sane/saneopts.h>

#include <cmath>
#include <cstring>

namespace twainsane {

namespace {

// A frame larger than this is not read (4 GB of samples would not fit a bitmap).
constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 31;

}  // namespace

SaneDevice::SaneDevice(const std::string& name)
{
    if (sane_open(name.c_str(), &m_handle) != SANE_STATUS_GOOD) m_handle = nullptr;
}

SaneDevice::~SaneDevice()
{
    if (m_handle == nullptr) return;
    Cancel();
    sane_close(m_handle);
}

int SaneDevice::FindOption(const char* name) const
{
    if (m_handle == nullptr) return -1;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
        if (d == nullptr) return -1;
        if (d->name != nullptr && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)) return i;
    }
}

std::vector<std::string> SaneDevice::Modes() const
{
    std::vector<std::string> modes;
    const int opt = FindOption(SANE_NAME_SCAN_MODE);
    if (opt < 0) return modes;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    if (d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s) modes.emplace_back(*s);
    return modes;
}

std::string SaneDevice::Mode() const
{
    const int opt = FindOption(SANE_NAME_SCAN_MODE);
    if (opt < 0) return {};
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    if (d->type != SANE_TYPE_STRING || d->size <= 0) return {};
    std::vector<char> value(static_cast<std::size_t>(d->size) + 1, '\0');
    if (sane_control_option(m_handle, opt, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD) return {};
    return std::string(value.data());
}

bool SaneDevice::SetMode(const std::string& mode)
{
    const int opt = FindOption(SANE_NAME_SCAN_MODE);
    if (opt < 0 || m_bScanning) return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    if (d->type != SANE_TYPE_STRING || mode.size() >= static_cast<std::size_t>(d->size)) return false;
    std::vector<char> value(static_cast<std::size_t>(d->size), '\0');
    std::memcpy(value.data(), mode.c_str(), mode.size());
    return sane_control_option(m_handle, opt, SANE_ACTION_SET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD;
}

std::pair<int, int> SaneDevice::ResolutionRange() const
{
    const int opt = FindOption(SANE_NAME_SCAN_RESOLUTION);
    if (opt < 0) return {0, 0};
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    auto toInt = [d](SANE_Word w) { return d->type == SANE_TYPE_FIXED ? static_cast<int>(SANE_UNFIX(w)) : w; };
    if (d->constraint_type == SANE_CONSTRAINT_RANGE)
        return {toInt(d->constraint.range->min), toInt(d->constraint.range->max)};
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0)
        return {toInt(d->constraint.word_list[1]), toInt(d->constraint.word_list[d->constraint.word_list[0]])};
    const int now = Resolution();
    return {now, now};
}

int SaneDevice::Resolution() const
{
    const int opt = FindOption(SANE_NAME_SCAN_RESOLUTION);
    if (opt < 0) return 0;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    if (d->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return 0;
    SANE_Word w = 0;
    if (sane_control_option(m_handle, opt, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD) return 0;
    return d->type == SANE_TYPE_FIXED ? static_cast<int>(std::lround(SANE_UNFIX(w))) : w;
}

bool SaneDevice::SetResolution(int dpi)
{
    const int opt = FindOption(SANE_NAME_SCAN_RESOLUTION);
    if (opt < 0 || m_bScanning) return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, opt);
    if (d->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return false;
    SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(dpi) : dpi;
    return sane_control_option(m_handle, opt, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

bool SaneDevice::Start()
{
    if (m_handle == nullptr) return false;
    if (m_bScanning) return true;
    if (sane_start(m_handle) != SANE_STATUS_GOOD) {
        sane_cancel(m_handle);
        return false;
    }
    m_bScanning = true;
    if (sane_get_parameters(m_handle, &m_params) != SANE_STATUS_GOOD) {
        Cancel();
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> SaneDevice::ReadDib()
{
    if (!m_bScanning) return std::nullopt;
    const SANE_Parameters p = m_params;
    if (!p.last_frame || (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB)) {
        Cancel();
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    if (p.lines > 0 && p.bytes_per_line > 0)
        data.reserve(std::min(kMaxFrameBytes, static_cast<std::size_t>(p.lines) * p.bytes_per_line));
    SANE_Byte buffer[32768];
    SANE_Status status = SANE_STATUS_GOOD;
    while (status == SANE_STATUS_GOOD) {
        SANE_Int got = 0;
        status = sane_read(m_handle, buffer, sizeof buffer, &got);
        if (status == SANE_STATUS_GOOD && got > 0) {
            if (data.size() + static_cast<std::size_t>(got) > kMaxFrameBytes) status = SANE_STATUS_NO_MEM;
            else data.insert(data.end(), buffer, buffer + got);
        }
    }
    Cancel();
    if (status != SANE_STATUS_EOF) return std::nullopt;
    FrameLayout layout;
    layout.rgb = p.format == SANE_FRAME_RGB;
    layout.depth = p.depth;
    layout.pixelsPerLine = p.pixels_per_line;
    layout.bytesPerLine = p.bytes_per_line;
    layout.lines = p.lines;
    return MakePackedDib(layout, data.data(), data.size(), Resolution());
}

void SaneDevice::Cancel()
{
    if (m_handle != nullptr && m_bScanning) sane_cancel(m_handle);
    m_bScanning = false;
}

}  // namespace twainsane
