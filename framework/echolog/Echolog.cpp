#include "framework/echolog/Echolog.h"

#include <potracelib.h>

#include <climits>
#include <cstddef>
#include <new>
#include <vector>

namespace {

constexpr int kWordBits = static_cast<int>(sizeof(potrace_word) * CHAR_BIT);
// potrace's corner threshold (its default is 1.0). Outlines are traced for
// cutting, so sharp corners stay corners: at the default, the pointed corners
// of glyphs rendered at 300 pixels per em come out rounded by up to 2 pixels;
// at 0.5 they keep within 1.
constexpr double kCornerThreshold = 0.5;

const potrace_path_t* Paths(const _at_spline_list_array_type& splines)
{
    if (splines.length == 0 || !splines.state) return nullptr;
    return static_cast<const potrace_state_t*>(splines.state)->plist;
}

void SetPoint(qv_spline_type& rec, int k, const potrace_dpoint_t& p)
{
    rec.point[k][0] = static_cast<float>(p.x);
    rec.point[k][1] = static_cast<float>(p.y);
    rec.point[k][2] = 0.0f;
}

qv_spline_type StraightRecord(const potrace_dpoint_t& a, const potrace_dpoint_t& b)
{
    qv_spline_type rec{};
    SetPoint(rec, 0, a);
    SetPoint(rec, 1, b);
    rec.degree = 1;
    return rec;
}

// The records of one closed potrace curve, starting at the end of its last segment.
void AppendRecords(const potrace_curve_t& curve, std::vector<qv_spline_type>& out)
{
    if (curve.n <= 0) return;
    potrace_dpoint_t pen = curve.c[curve.n - 1][2];
    for (int i = 0; i < curve.n; ++i) {
        const potrace_dpoint_t* c = curve.c[i];
        if (curve.tag[i] == POTRACE_CORNER) {
            out.push_back(StraightRecord(pen, c[1]));
            out.push_back(StraightRecord(c[1], c[2]));
        } else {
            qv_spline_type rec{};
            SetPoint(rec, 0, pen);
            SetPoint(rec, 1, c[0]);
            SetPoint(rec, 2, c[1]);
            SetPoint(rec, 3, c[2]);
            rec.degree = 3;
            out.push_back(rec);
        }
        pen = c[2];
    }
}

}  // namespace

int qv_trace_bitmap(const unsigned char* pixels, int width, int height, int stride, int threshold,
                    _at_spline_list_array_type* out)
{
    if (!out) return 0;
    *out = {};
    if (!pixels || width <= 0 || height <= 0 || stride < width) return 0;

    potrace_bitmap_t bm;
    bm.w = width;
    bm.h = height;
    bm.dy = (width + kWordBits - 1) / kWordBits;
    std::vector<potrace_word> map;
    try {
        map.assign(static_cast<std::size_t>(bm.dy) * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    bm.map = map.data();
    // The first row is the top one; potrace's scanline 0 is the bottom one.
    for (int row = 0; row < height; ++row) {
        const unsigned char* src = pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride);
        potrace_word* dst = map.data() + static_cast<std::size_t>(height - 1 - row) * static_cast<std::size_t>(bm.dy);
        for (int x = 0; x < width; ++x)
            if (src[x] < threshold) dst[x / kWordBits] |= potrace_word{1} << (kWordBits - 1 - x % kWordBits);
    }

    potrace_param_t* param = potrace_param_default();
    if (!param) return 0;
    param->alphamax = kCornerThreshold;
    potrace_state_t* st = potrace_trace(param, &bm);
    potrace_param_free(param);
    if (!st) return 0;
    if (st->status != POTRACE_STATUS_OK) {
        potrace_state_free(st);
        return 0;
    }
    std::uint32_t count = 0;
    for (const potrace_path_t* p = st->plist; p; p = p->next) ++count;
    if (count == 0) {
        potrace_state_free(st);
        return 1;
    }
    out->length = count;
    out->state = st;
    return 1;
}

void qv_free_spline_list_array(_at_spline_list_array_type* splines)
{
    if (!splines) return;
    if (splines->state) potrace_state_free(static_cast<potrace_state_t*>(splines->state));
    *splines = {};
}

qv_curve_list_type qv_spline_to_qvcurve(_at_spline_list_array_type splines)
{
    qv_curve_list_type list;
    const potrace_path_t* paths = Paths(splines);
    if (!paths) return list;
    int count = 0;
    for (const potrace_path_t* p = paths; p; p = p->next) ++count;
    list.lists = new qv_spline_list_type[static_cast<std::size_t>(count)];
    std::vector<qv_spline_type> records;
    for (const potrace_path_t* p = paths; p; p = p->next) {
        records.clear();
        AppendRecords(p->curve, records);
        qv_spline_list_type& entry = list.lists[list.count++];
        entry.count = static_cast<int>(records.size());
        entry.splines = entry.count ? new qv_spline_type[records.size()] : nullptr;
        for (std::size_t i = 0; i < records.size(); ++i) entry.splines[i] = records[i];
    }
    return list;
}

void qv_free_qvcurve(qv_curve_list_type* list)
{
    if (!list) return;
    for (int i = 0; i < list->count; ++i) delete[] list->lists[i].splines;
    delete[] list->lists;
    *list = {};
}
