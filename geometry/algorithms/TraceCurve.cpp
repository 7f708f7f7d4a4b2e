#include "geometry/algorithms/TraceCurve.h"

#include "framework/numerak/PointTypes.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"

#include <cmath>
#include <memory>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

// A straight record starting this far or more from the pen starts a new run.
constexpr double kJumpTol = 0.01;
// Growth step of the pending point array.
constexpr int kPendingGrowth = 100;

tagPoint2d At(const qv_spline_type& rec, int k)
{
    return {static_cast<double>(rec.point[k][0]), static_cast<double>(rec.point[k][1])};
}

// Builds the composites of one outline entry.
class OutlineRun {
public:
    explicit OutlineRun(CurveList* out) : m_out(out), m_comb(std::make_unique<CGeCombCurve>())
    {
        m_pending.SetSize(0, kPendingGrowth);
    }

    void Straight(const qv_spline_type& rec)
    {
        const tagPoint2d p0 = At(rec, 0), p1 = At(rec, 1);
        if (m_pending.GetSize() == 0) {
            m_pending.Add(p0);
        } else if (std::hypot(p0.x - m_pen.x, p0.y - m_pen.y) >= kJumpTol) {
            // The outline jumps: the gap is not bridged.
            Flush();
            Close();
            m_pending.Add(p0);
        }
        m_pending.Add(p1);
        m_pen = p1;
    }

    void Curved(const qv_spline_type& rec)
    {
        Flush();
        double pts[4][2];
        for (int k = 0; k < 4; ++k) {
            const tagPoint2d p = At(rec, k);
            pts[k][0] = p.x;
            pts[k][1] = p.y;
        }
        auto bez = std::make_unique<CGeBezier>();
        if (bez->CreateEx(4, pts)) m_comb->GetCurveList().AddTail(bez.release());
        m_pen = At(rec, 3);
    }

    void Finish()
    {
        Flush();
        Close();
    }

private:
    void Flush()
    {
        if (CGeCurve* c = CGeCurve::GenCurve(&m_pending)) m_comb->GetCurveList().AddTail(c);
        m_pending.RemoveAll();
    }

    // Hands over a composite with members and starts a new one.
    void Close()
    {
        if (!m_comb->GetCurveList().IsEmpty()) m_out->AddTail(m_comb.release());
        m_comb = std::make_unique<CGeCombCurve>();
    }

    CurveList* m_out;
    std::unique_ptr<CGeCombCurve> m_comb;
    CArray<tagPoint2d, tagPoint2d> m_pending;
    tagPoint2d m_pen{};
};

}  // namespace

void ConvertTraceRecords(const qv_curve_list_type& records, CurveList* list)
{
    if (!list || !records.lists) return;
    for (int e = 0; e < records.count; ++e) {
        const qv_spline_list_type& entry = records.lists[e];
        if (!entry.splines || entry.count <= 0) continue;
        OutlineRun run(list);
        for (int r = 0; r < entry.count; ++r) {
            const qv_spline_type& rec = entry.splines[r];
            if (rec.degree == 1)
                run.Straight(rec);
            else
                run.Curved(rec);
        }
        run.Finish();
    }
}

void ConvertTraceCurve(_at_spline_list_array_type splines, CurveList* list)
{
    if (!list || splines.length == 0) return;
    qv_curve_list_type records = qv_spline_to_qvcurve(splines);
    ConvertTraceRecords(records, list);
    qv_free_qvcurve(&records);
}
