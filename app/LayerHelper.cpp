#include "app/LayerHelper.h"

#include "app/KorvelIds.h"
#include "app/MainFrame.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/Layer.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

#include <new>

namespace {

CDBase* Db() { return CDBase::Instance(); }

void ClearSelection()
{
    if (CSelector* selector = gGetSelector()) selector->ClearAll();
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

}  // namespace

int CLayerHelper::LayerIdToIndex(int id) const
{
    const int index = Db()->GetIndexByLayerID(id);
    return index >= 0 ? index : Db()->GetLayerCnt();
}

int CLayerHelper::LayerIndexToId(int index) const { return Db()->GetLayerIDByIndex(index); }

BOOL CLayerHelper::IsLayerNameUsed(const CString& name, int exceptIndex) const
{
    const int count = Db()->GetLayerCnt();
    for (int i = 0; i < count; ++i) {
        if (i == exceptIndex) continue;
        const CLayer* layer = Db()->GetLayer(i);
        if (layer != nullptr && layer->GetName() == name) return TRUE;
    }
    return FALSE;
}

CString CLayerHelper::MakeDefaultLayerName() const
{
    CString name;
    for (int n = 1;; ++n) {
        name.Format(L"Page%d", n);
        if (!IsLayerNameUsed(name)) return name;
    }
}

int CLayerHelper::CreateLayer(const CString& name)
{
    auto* layer = new (std::nothrow) CLayer(name);
    if (layer == nullptr) return -1;
    layer->SetColor(0);
    layer->SetLock(0);
    layer->SetInVisible();
    Db()->AddLayer(layer);
    return 1;
}

void CLayerHelper::ActivateLayer(int index)
{
    ClearSelection();
    CDBase* db = Db();
    if (m_nSingleLayerMode) {
        for (int i = 0; i < db->GetLayerCnt(); ++i)
            if (CLayer* layer = db->GetLayer(i)) layer->SetInVisible();
    }
    CLayer::SetCurrentLayerID(LayerIndexToId(index));
    if (CLayer* layer = db->GetLayer(index)) {
        layer->SetLock(0);
        layer->SetVisible();
        CLayer::SetCurrentLayerID(layer->GetID());
        if (auto* frame = dynamic_cast<CMainFrame*>(gGetMainFrame())) {
            frame->GetStatusBar().SetSelectedColor(layer->GetColor());
            if (frame->GetStatusBar().GetSafeHwnd() != nullptr) frame->GetStatusBar().Invalidate(TRUE);
        }
    }
}

int CLayerHelper::DeleteLayerUndoable(int index)
{
    CDBase* db = Db();
    const int count = db->GetLayerCnt();
    const int id = LayerIndexToId(index);
    if (count < 2 || id < 0) return -1;
    // The neighbour that becomes current is read before the table changes.
    const bool wasCurrent = CLayer::GetCurrentLayerID() == id;
    const int nextCurrent = wasCurrent ? LayerIndexToId(index == 0 ? 1 : index - 1) : -1;
    CDbEntityList entities;
    for (CDbEntity* e : db->GetEntities())
        if (e->GetLayerID() == id) entities.AddTail(e);
    auto* action = new (std::nothrow) CActionDelLayer(1, AfxLoadString(korvel::IDS_LAYER_DELETE));
    if (action == nullptr) return -1;
    action->SetLayer(db->GetLayer(index));
    action->AddDelEntList(&entities);
    qvInsertActionIntoManager(action, 0);
    if (wasCurrent) CLayer::SetCurrentLayerID(nextCurrent);
    return 0;
}
