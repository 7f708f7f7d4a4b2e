#include "testing/StlReader.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string_view>

namespace millkit {

namespace {

constexpr size_t kBinaryHeader = 84;
constexpr size_t kBinaryRecord = 50;
// Longest file read; a mesh for the tests is far smaller.
constexpr std::streamoff kMaxFileBytes = std::streamoff(1) << 31;

// Welds vertices by their exact coordinates (+0 and -0 alike).
class Welder {
public:
  explicit Welder(TriMesh& mesh) : m_mesh(mesh) {}
  int Add(double x, double y, double z) {
    const Vec3 key{x + 0.0, y + 0.0, z + 0.0};
    const auto [it, added] = m_index.try_emplace(key, static_cast<int>(m_mesh.vertices.size()));
    if (added) m_mesh.vertices.push_back(key);
    return it->second;
  }

private:
  TriMesh& m_mesh;
  std::map<Vec3, int> m_index;
};

bool Fail(std::string* error, const std::string& message, TriMesh& mesh) {
  mesh = TriMesh{};
  if (error) *error = message;
  return false;
}

float LoadFloat(const unsigned char* p) {
  float f;
  std::memcpy(&f, p, sizeof f);
  return f;
}

bool ReadBinary(const unsigned char* data, size_t count, TriMesh& mesh, std::string* error) {
  Welder weld(mesh);
  mesh.triangles.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* rec = data + kBinaryHeader + i * kBinaryRecord + 12;  // after the normal
    std::array<int, 3> tri;
    for (int k = 0; k < 3; ++k) {
      const double x = LoadFloat(rec + 12 * k), y = LoadFloat(rec + 12 * k + 4), z = LoadFloat(rec + 12 * k + 8);
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return Fail(error, "STL: non-finite coordinate in triangle " + std::to_string(i + 1), mesh);
      tri[k] = weld.Add(x, y, z);
    }
    mesh.triangles.push_back(tri);
  }
  return true;
}

// Whitespace-separated words of an ASCII STL, with line numbers for messages.
class Words {
public:
  Words(const char* begin, const char* end) : m_p(begin), m_end(end) {}
  bool Next(std::string_view& word) {
    while (m_p < m_end && std::isspace(static_cast<unsigned char>(*m_p))) {
      if (*m_p == '\n') ++m_line;
      ++m_p;
    }
    if (m_p == m_end) return false;
    const char* start = m_p;
    while (m_p < m_end && !std::isspace(static_cast<unsigned char>(*m_p))) ++m_p;
    word = std::string_view(start, m_p - start);
    return true;
  }
  // Rest of the current line (a solid's name).
  void SkipLine() {
    while (m_p < m_end && *m_p != '\n') ++m_p;
  }
  int Line() const { return m_line; }

private:
  const char* m_p;
  const char* m_end;
  int m_line = 1;
};

bool ParseNumber(std::string_view word, double& value) {
  if (word.empty() || word.size() > 64) return false;
  char buf[65];
  std::memcpy(buf, word.data(), word.size());
  buf[word.size()] = 0;
  char* end = nullptr;
  value = std::strtod(buf, &end);
  return end == buf + word.size() && std::isfinite(value);
}

bool ReadAscii(const char* text, size_t size, TriMesh& mesh, std::string* error) {
  Welder weld(mesh);
  Words words(text, text + size);
  std::string_view w;
  const auto fail = [&](const std::string& what) {
    return Fail(error, "STL line " + std::to_string(words.Line()) + ": " + what, mesh);
  };
  const auto expect = [&](std::string_view keyword) { return words.Next(w) && w == keyword; };
  bool inSolid = false;
  while (words.Next(w)) {
    if (w == "solid") {
      if (inSolid) return fail("\"solid\" inside a solid");
      inSolid = true;
      words.SkipLine();
    } else if (w == "endsolid") {
      if (!inSolid) return fail("\"endsolid\" without \"solid\"");
      inSolid = false;
      words.SkipLine();
    } else if (w == "facet") {
      if (!inSolid) return fail("\"facet\" outside a solid");
      double n;
      if (!expect("normal")) return fail("expected \"normal\"");
      for (int k = 0; k < 3; ++k)
        if (!words.Next(w) || !ParseNumber(w, n)) return fail("bad normal");
      if (!expect("outer") || !expect("loop")) return fail("expected \"outer loop\"");
      std::array<int, 3> tri;
      for (int k = 0; k < 3; ++k) {
        double c[3];
        if (!expect("vertex")) return fail("expected \"vertex\" (facets must be triangles)");
        for (double& v : c)
          if (!words.Next(w) || !ParseNumber(w, v)) return fail("bad vertex coordinate");
        tri[k] = weld.Add(c[0], c[1], c[2]);
      }
      if (!expect("endloop")) return fail("expected \"endloop\" (facets must be triangles)");
      if (!expect("endfacet")) return fail("expected \"endfacet\"");
      mesh.triangles.push_back(tri);
    } else {
      return fail("unexpected \"" + std::string(w.substr(0, 40)) + "\"");
    }
  }
  if (inSolid) return fail("missing \"endsolid\"");
  return true;
}

bool StartsWithSolid(const unsigned char* data, size_t size) {
  size_t i = 0;
  while (i < size && std::isspace(data[i])) ++i;
  return size - i >= 5 && std::memcmp(data + i, "solid", 5) == 0;
}

}  // namespace

bool ReadStlBytes(const unsigned char* data, size_t size, TriMesh& mesh, std::string* error) {
  mesh = TriMesh{};
  if (size >= kBinaryHeader) {
    uint32_t count;
    std::memcpy(&count, data + 80, sizeof count);
    const uint64_t need = kBinaryHeader + uint64_t(count) * kBinaryRecord;
    if (need == size) return ReadBinary(data, count, mesh, error);
    if (!StartsWithSolid(data, size)) {
      if (need > size)
        return Fail(error,
                    "STL: truncated binary file: header claims " + std::to_string(count) + " triangles (" +
                        std::to_string(need) + " bytes), file holds " + std::to_string(size) + " bytes",
                    mesh);
      return Fail(error, "STL: binary file with " + std::to_string(size - need) + " bytes after its triangles",
                  mesh);
    }
  } else if (!StartsWithSolid(data, size)) {
    return Fail(error, "STL: file too short (" + std::to_string(size) + " bytes) and not ASCII", mesh);
  }
  return ReadAscii(reinterpret_cast<const char*>(data), size, mesh, error);
}

bool ReadStl(const std::string& path, TriMesh& mesh, std::string* error) {
  mesh = TriMesh{};
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Fail(error, "STL: cannot open \"" + path + "\"", mesh);
  const std::streamoff size = in.tellg();
  if (size < 0) return Fail(error, "STL: cannot read the size of \"" + path + "\"", mesh);
  if (size > kMaxFileBytes) return Fail(error, "STL: \"" + path + "\" is too large", mesh);
  std::vector<unsigned char> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
    return Fail(error, "STL: cannot read \"" + path + "\"", mesh);
  return ReadStlBytes(bytes.data(), bytes.size(), mesh, error);
}

}  // namespace millkit
