#include "app/MeaAreaCmd.h"

#include "app/ViewCmds.h"

#include "app/DlgMeasure.h"
#include "app/KorvelIds.h"
#include "framework/db/DbCurve3d.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/EntityHelpers.h"
#include "framework/relayon/Selector.h"
#include "framework/tessix/Tessix.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

IMPLEMENT_DYNAMIC(CMeaAreaCmd, CToolCmd)

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;
using Curve3dList = CTypedPtrList<CObList, CGeCurve3d*>;
using LoopList = CTypedPtrList<CObList, CGeLoop*>;
using RegionList = CTypedPtrList<CObList, CGeRegion*>;

constexpr double kChainTol = 0.03;
constexpr double kAreaTol = 0.01;
constexpr double kFlattenTol = 0.01;
// A later curve's circle replaces the best only when larger by more than this.
constexpr double kRadiusGain = 0.0001;
constexpr int kCurveTypeEllipse = 0x10;
constexpr int kCurveTypeBezier = 0x20;
// Base types of the 2D curves and groups; picks are limited to them while the measure runs.
constexpr int kCurveBaseMask = 0xE;

// Curve copies of the selection, deleted with the holder.
template <class List, void (*Delete)(List*)>
struct Owned {
    List list;
    Owned() = default;
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Delete(&list); }
};
using OwnedCurves = Owned<CurveList, geDelCurveList>;
using OwnedCurves3d = Owned<Curve3dList, geDelCurve3dList>;

// Loops, rejected and usable loops and regions of one curve, deleted on every way out.
struct OneCurveLoops {
    LoopList loops, rejected, use;
    RegionList regions;
    OneCurveLoops() = default;
    OneCurveLoops(const OneCurveLoops&) = delete;
    OneCurveLoops& operator=(const OneCurveLoops&) = delete;
    ~OneCurveLoops()
    {
        geDelGeLoopList(&loops, false);
        geDelGeLoopList(&rejected, false);
        geDelGeLoopList(&use, false);
        geDelRegionList(&regions, false);
    }
};

// Chains a copy of the curve alone into closed loops and keeps the usable ones in
// out.use; false when no loop came out.
bool ChainAlone(CGeTool2D& tool, CGeCurve* curve, OneCurveLoops& out)
{
    CurveList one;
    if (CGeCurve* copy = curve->Copy()) one.AddTail(copy);
    tool.ReCreateLoop(&one, &out.loops, kChainTol, true, false);
    geDelCurveList(&one);
    if (out.loops.IsEmpty()) return false;
    tool.ClassifyLoop(&out.loops, &out.rejected, &out.use, kChainTol);
    // ClassifyLoop passed every loop on.
    out.loops.RemoveAll();
    geDelGeLoopList(&out.rejected, false);
    return true;
}

}  // namespace

CMeaAreaCmd::CMeaAreaCmd(int first, LPCTSTR name) : CToolCmd(first, name)
{
    m_nStep = -1;
    m_nCursor = korvel::kCursorArea;
}

CMeaAreaCmd::~CMeaAreaCmd() = default;

int CMeaAreaCmd::StartUp(int subCommand)
{
    m_nStep = 0;
    m_pPage.reset();
    m_pEnded.reset();
    CreateResultPage();
    m_nBaseTypeMask = kCurveBaseMask;
    m_nBaseTypeSwitch = 1;
    if (!m_pPage) return 0;
    if (CSelector* selector = gGetSelector()) {
        m_nShowFlagBefore = selector->GetShowFlag();
        selector->SetShowFlag(2);
    }
    UpdateResults();
    return CToolCmd::StartUp(subCommand);
}

BOOL CMeaAreaCmd::CreateResultPage()
{
    m_pPage = std::make_unique<CDlgMeasure>();
    m_pPage->SetCmd(this);
    CDesignCentral* pane = gGetPaneDCenter();
    // Without a pane window the page keeps its values unseen.
    if (pane == nullptr || pane->GetSafeHwnd() == nullptr || !m_pPage->CreatePage(pane)) {
        m_pPage->OnInitDialog();
        if (pane != nullptr) pane->ShowDCenter();
        return TRUE;
    }
    pane->RemoveCommandAllPage();
    pane->AddCommandPage(m_pPage.get());
    pane->LoadCommandPage(m_pPage.get());
    pane->ShowDCenter();
    return TRUE;
}

int CMeaAreaCmd::OnLButtonUp(UINT flags, Position& pos)
{
    CToolCmd::OnLButtonUp(flags, pos);
    if (!m_pPage) return 0;
    UpdateResults();
    return 1;
}

int CMeaAreaCmd::Cancel()
{
    m_nBaseTypeSwitch = 0;
    m_nBaseTypeMask = kBaseTypeMaskAll;
    // Flag 0 would leave the still selected curves undrawn: the flag before comes back.
    if (CSelector* selector = gGetSelector()) selector->SetShowFlag(m_nShowFlagBefore);
    if (CDesignCentral* pane = gGetPaneDCenter()) {
        pane->RemoveCommandAllPage();
        pane->RecoverDefaultPage();
        pane->RestoreDCenter();
    }
    // The page may be cancelling from its own handler: it goes out of sight now and
    // is deleted when the command starts again or goes.
    if (m_pPage && m_pPage->GetSafeHwnd() != nullptr) m_pPage->ShowWindow(SW_HIDE);
    m_pEnded = std::move(m_pPage);
    if (CView* view = gGetView()) view->Invalidate(FALSE);
    return CToolCmd::Cancel();
}

void CMeaAreaCmd::UpdateResults()
{
    if (!m_pPage) return;
    double radius = 0, centre[2] = {0, 0};
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->IsEmpty()) {
        m_pPage->SetResults(0, 0, 0, centre);
        return;
    }
    for (int i = 0; i < selector->GetSize(); ++i) {
        CDbEntity* entity = selector->GetEntity(i);
        const int base = entity != nullptr ? entity->GetBaseType() : 0;
        if ((base & kCurveBaseMask) == 0 && (base & kDbBaseCurve3d) == 0) {
            AfxMessageBox(korvel::IDS_MEASURE_NOT_CURVE, MB_OK);
            m_pPage->SetResults(0, 0, 0, centre);
            return;
        }
    }
    Prompt(AfxLoadString(korvel::IDS_MEASURE_WORKING));
    const double perimeter = GetPerimeter();
    const double area = GetArea();
    GetInscribedCircle(radius, centre);
    m_pPage->SetResults(perimeter, area, radius, centre);
    Prompt(AfxLoadString(korvel::IDS_MEASURE_DONE));
}

double CMeaAreaCmd::GetPerimeter()
{
    OwnedCurves curves;
    OwnedCurves3d curves3d;
    qvGetSelectorCurve(&curves.list);
    qvGetSelectorCurve3d(&curves3d.list, kFlattenTol);
    double length = 0;
    for (CGeCurve* c : curves.list)
        if (c != nullptr) length += c->EvTotalArcLength();
    for (CGeCurve3d* c : curves3d.list)
        if (c != nullptr) length += c->EvTotalArcLength();
    return length;
}

double CMeaAreaCmd::GetArea()
{
    if (gGetQVGlobal() == nullptr) return 0;
    OwnedCurves curves;
    if (qvGetSelectorCurve(&curves.list) == 0) return 0;
    CGeTool2D tool;
    double area = 0;
    for (CGeCurve* curve : curves.list) {
        if (curve == nullptr) continue;
        OneCurveLoops work;
        // A curve that does not close on itself makes the whole area 0.
        if (!ChainAlone(tool, curve, work)) return 0;
        tool.ReSortLoop(&work.use);
        tool.CreateRegion(&work.use, &work.regions);
        for (CGeRegion* region : work.regions)
            if (region != nullptr) area += region->EvArea(kAreaTol);
    }
    return area;
}

void CMeaAreaCmd::GetInscribedCircle(double& radius, double centre[2])
{
    radius = 0;
    centre[0] = centre[1] = 0;
    OwnedCurves chained;
    {
        OwnedCurves selected;
        qvGetSelectorCurve(&selected.list);
        for (CGeCurve* c : selected.list) {
            if (c == nullptr) continue;
            const int type = c->GetType();
            CGeCurve* use = type == kCurveTypeBezier || type == kCurveTypeEllipse ? c->ToPolyline(kFlattenTol) : c->Copy();
            if (use != nullptr) chained.list.AddTail(use);
        }
    }
    CGeTool2D tool;
    for (CGeCurve* curve : chained.list) {
        OneCurveLoops work;
        // The search stops at the first curve that makes no usable loop and keeps
        // the best circle found before it.
        if (!ChainAlone(tool, curve, work) || work.use.IsEmpty()) return;
        tool.ReSortLoop(&work.use);
        double r = 0, c[2] = {0, 0};
        vnFastGetInscribedCircle(r, c, &work.use, nullptr);
        if (r - radius > kRadiusGain) {
            radius = r;
            centre[0] = c[0];
            centre[1] = c[1];
        }
    }
}
