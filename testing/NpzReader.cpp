#include "testing/NpzReader.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

namespace npz {

namespace {

std::uint32_t Le(const std::vector<unsigned char>& b, size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | b[at + static_cast<size_t>(k)];
    return v;
}

std::optional<std::vector<unsigned char>> Inflate(const unsigned char* data, size_t size, size_t out)
{
    std::vector<unsigned char> result(out);
    z_stream s{};
    if (inflateInit2(&s, -MAX_WBITS) != Z_OK) return std::nullopt;  // raw deflate, as in zip
    s.next_in = const_cast<unsigned char*>(data);
    s.avail_in = static_cast<uInt>(size);
    s.next_out = result.data();
    s.avail_out = static_cast<uInt>(out);
    const int rc = inflate(&s, Z_FINISH);
    inflateEnd(&s);
    if (rc != Z_STREAM_END || s.total_out != out) return std::nullopt;
    return result;
}

// The text after key in the header dictionary, up to its closing character.
std::string Field(const std::string& header, const std::string& key, char close)
{
    const size_t at = header.find("'" + key + "':");
    if (at == std::string::npos) return {};
    const size_t from = at + key.size() + 3;
    const size_t to = header.find(close, from);
    return to == std::string::npos ? std::string() : header.substr(from, to - from);
}

std::optional<Array> ParseNpy(const std::vector<unsigned char>& b)
{
    if (b.size() < 10 || std::memcmp(b.data(), "\x93NUMPY", 6) != 0) return std::nullopt;
    const int major = b[6];
    const size_t lenBytes = major == 1 ? 2 : 4, start = 8 + lenBytes;
    if (b.size() < start) return std::nullopt;
    const size_t headerLen = Le(b, 8, static_cast<int>(lenBytes));
    if (b.size() < start + headerLen) return std::nullopt;
    const std::string header(b.begin() + static_cast<std::ptrdiff_t>(start),
                             b.begin() + static_cast<std::ptrdiff_t>(start + headerLen));
    if (Field(header, "fortran_order", ',').find("False") == std::string::npos) return std::nullopt;
    std::string descr = Field(header, "descr", ',');
    descr.erase(0, descr.find_first_not_of(" '"));
    descr.erase(descr.find_last_not_of(" '") + 1);
    if (descr.size() != 3 || (descr[0] != '<' && descr[0] != '|')) return std::nullopt;
    const char kind = descr[1];
    const size_t width = static_cast<size_t>(descr[2] - '0');
    const bool known = (kind == 'f' && (width == 4 || width == 8)) ||
                       ((kind == 'i' || kind == 'u') && (width == 1 || width == 2 || width == 4 || width == 8));
    if (!known) return std::nullopt;
    Array a;
    const std::string shape = Field(header, "shape", ')');
    size_t count = 1;
    for (size_t at = shape.find_first_of("0123456789"); at != std::string::npos;
         at = shape.find_first_of("0123456789", at)) {
        size_t used = 0;
        a.shape.push_back(std::stoul(shape.substr(at), &used));
        count *= a.shape.back();
        at += used;
    }
    const size_t data = start + headerLen;
    if (b.size() - data != count * width) return std::nullopt;
    a.values.resize(count);
    for (size_t k = 0; k < count; ++k) {
        const unsigned char* p = b.data() + data + k * width;
        std::uint64_t bits = 0;
        for (size_t q = width; q-- > 0;) bits = (bits << 8) | p[q];
        double v = 0.0;
        if (kind == 'f' && width == 4) {
            float f;
            const auto u = static_cast<std::uint32_t>(bits);
            std::memcpy(&f, &u, 4);
            v = f;
        } else if (kind == 'f') {
            std::memcpy(&v, &bits, 8);
        } else if (kind == 'u') {
            v = static_cast<double>(bits);
        } else {
            const int unused = static_cast<int>(64 - 8 * width);  // sign-extend from the top bit
            v = static_cast<double>(static_cast<std::int64_t>(bits << unused) >> unused);
        }
        a.values[k] = v;
    }
    return a;
}

}  // namespace

std::map<std::string, Array> Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, Array> arrays;
    // The end of central directory record: signature, then the entry count and the
    // directory's offset.
    if (b.size() < 22) return {};
    size_t end = b.size() - 22;
    while (end > 0 && Le(b, end, 4) != 0x06054b50u) --end;
    if (Le(b, end, 4) != 0x06054b50u) return {};
    const size_t entries = Le(b, end + 10, 2);
    size_t at = Le(b, end + 16, 4);
    for (size_t e = 0; e < entries; ++e) {
        if (at + 46 > b.size() || Le(b, at, 4) != 0x02014b50u) return {};
        const std::uint32_t method = Le(b, at + 10, 2), packed = Le(b, at + 20, 4), size = Le(b, at + 24, 4);
        const size_t nameLen = Le(b, at + 28, 2), extraLen = Le(b, at + 30, 2), commentLen = Le(b, at + 32, 2);
        const size_t local = Le(b, at + 42, 4);
        if (at + 46 + nameLen > b.size()) return {};
        std::string name(b.begin() + static_cast<std::ptrdiff_t>(at + 46),
                         b.begin() + static_cast<std::ptrdiff_t>(at + 46 + nameLen));
        at += 46 + nameLen + extraLen + commentLen;
        if (local + 30 > b.size() || Le(b, local, 4) != 0x04034b50u) return {};
        const size_t data = local + 30 + Le(b, local + 26, 2) + Le(b, local + 28, 2);
        if (data + packed > b.size()) return {};
        std::optional<std::vector<unsigned char>> raw;
        if (method == 0 && packed == size) raw.emplace(b.begin() + static_cast<std::ptrdiff_t>(data),
                                                       b.begin() + static_cast<std::ptrdiff_t>(data + size));
        else if (method == 8) raw = Inflate(b.data() + data, packed, size);
        if (!raw) return {};
        std::optional<Array> array = ParseNpy(*raw);
        if (!array) return {};
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".npy") == 0) name.resize(name.size() - 4);
        arrays[name] = std::move(*array);
    }
    return arrays;
}

std::string SampleDataDir() { return "/usr/share/matplotlib/mpl-data/sample_data"; }

}  // namespace npz
