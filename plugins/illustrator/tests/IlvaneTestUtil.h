// Helpers of the import tests: temporary files, and the imported geometry
// read back as plain members (type and defining points, in millimetres).
#pragma once

#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GePolyline.h"
#include "plugins/illustrator/IlvaneConst.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace ilvane::test {

inline constexpr int kLine = 0x2;
inline constexpr int kBezier = 0x20;
inline constexpr int kPolyline = 0x40;
inline constexpr int kComposite = 0x80;

using Pt = std::array<double, 2>;

// Points to millimetres, as the reader converts.
inline Pt Mm(double x, double y) { return {x * kPointToMm, y * kPointToMm}; }

// A fresh folder removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("ilvane_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string file = (m_path / name).string();
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// One member of an imported curve: its type and its points (line ends,
// polyline vertices, Bezier nodes).
struct Member {
    int type = 0;
    std::vector<Pt> pts;
};

// One imported curve: its members and its closed flag.
struct Curve {
    std::vector<Member> members;
    bool closed = false;
};

inline Member MemberOf(CGeCurve* c)
{
    Member m;
    m.type = c->GetType();
    double p[2];
    if (m.type == kLine) {
        c->GetStartPoint(p);
        m.pts.push_back({p[0], p[1]});
        c->GetEndPoint(p);
        m.pts.push_back({p[0], p[1]});
    } else if (m.type == kPolyline) {
        auto* poly = static_cast<CGePolyline*>(c);
        for (int i = 0; i < poly->GetSWPointCount(); ++i) {
            poly->GetPoint(i, p);
            m.pts.push_back({p[0], p[1]});
        }
    } else if (m.type == kBezier) {
        auto* bez = static_cast<CGeBezier*>(c);
        for (unsigned i = 0; i < bez->GetNodeCount(); ++i) m.pts.push_back({bez->GetNodes()[i].x, bez->GetNodes()[i].y});
    }
    return m;
}

inline Curve CurveOf(CGeCurve* c)
{
    Curve out;
    if (c == nullptr) return out;
    out.closed = c->GetClosedFlag() != 0;
    if (c->GetType() == kComposite) {
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList()) out.members.push_back(MemberOf(m));
    } else {
        out.members.push_back(MemberOf(c));
    }
    return out;
}

// The curves of one imported entity: a curve entity gives one, a group one
// per member.
inline std::vector<Curve> CurvesOf(CDbEntity* entity)
{
    std::vector<Curve> out;
    if (auto* curve = dynamic_cast<CDbCurve*>(entity)) {
        out.push_back(CurveOf(curve->GetCurve()));
    } else if (auto* group = dynamic_cast<CDbUnion*>(entity)) {
        for (CDbEntity* member : group->GetMembers()) {
            auto sub = CurvesOf(member);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    }
    return out;
}

// Segments of a curve: one per line, per polyline edge, per Bezier segment.
inline int SegmentCount(const Curve& c)
{
    int n = 0;
    for (const Member& m : c.members) {
        if (m.type == kLine) n += 1;
        if (m.type == kPolyline) n += static_cast<int>(m.pts.size()) - 1;
        if (m.type == kBezier) n += (static_cast<int>(m.pts.size()) - 1) / 3;
    }
    return n;
}

inline Pt StartOf(const Curve& c) { return c.members.empty() ? Pt{0, 0} : c.members.front().pts.front(); }
inline Pt EndOf(const Curve& c) { return c.members.empty() ? Pt{0, 0} : c.members.back().pts.back(); }

}  // namespace ilvane::test
