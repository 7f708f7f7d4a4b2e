#include "app/AidLineRecordSet.h"

#include "app/KorvelIds.h"
#include "framework/db/DbAidLine.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

#include <new>

namespace {

CString ActionName(UINT nID) { return AfxLoadString(nID) + AfxLoadString(korvel::IDS_GUIDE_SUFFIX); }

void RepaintView()
{
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

}  // namespace

double CQvRecordSet::GetLinePos(int index) const
{
    if (index < 0 || index >= GetCount() || m_lines[static_cast<size_t>(index)] == nullptr) return 0.0;
    return m_lines[static_cast<size_t>(index)]->GetPosition();
}

void CQvRecordSet::Load(int orientation)
{
    m_lines.clear();
    if ((orientation != 0 && orientation != 1) || !CDBase::IsLiving()) return;
    for (CDbEntity* entity : CDBase::Instance()->GetEntities()) {
        auto* line = dynamic_cast<CDbAidLine*>(entity);
        if (line != nullptr && entity->GetType() == kDbTypeAidLine && line->GetOrientation() == orientation)
            m_lines.push_back(line);
    }
}

int CQvRecordSet::Record()
{
    if (!CActionManager::IsLiving()) return 0;
    m_actions.push_back(CActionManager::Instance()->GetCurActionPos());
    RepaintView();
    return 1;
}

int CQvRecordSet::AddLine(double position)
{
    auto* line = new (std::nothrow) CDbAidLine(position, m_nOrientation);
    if (line == nullptr) return 0;
    auto* action = new (std::nothrow) CAction(1, ActionName(korvel::IDS_GUIDE_ADD));
    if (action == nullptr) {
        delete line;
        return 0;
    }
    action->AddNewEnt(line);
    qvInsertActionIntoManager(action, 0);
    m_lines.push_back(line);
    return Record();
}

int CQvRecordSet::DeleteLine(int index)
{
    if (index < 0 || index >= GetCount()) return 0;
    CDbAidLine* line = m_lines[static_cast<size_t>(index)];
    if (line == nullptr) return 0;
    auto* action = new (std::nothrow) CAction(1, ActionName(korvel::IDS_GUIDE_DELETE));
    if (action == nullptr) return 0;
    action->AddDelEnt(line);
    qvInsertActionIntoManager(action, 0);
    m_lines.erase(m_lines.begin() + index);
    return Record();
}

int CQvRecordSet::MoveLine(int index, double position)
{
    if (index < 0 || index >= GetCount()) return 0;
    CDbAidLine* old = m_lines[static_cast<size_t>(index)];
    auto* line = new (std::nothrow) CDbAidLine(position, m_nOrientation);
    if (line == nullptr) return 0;
    auto* action = new (std::nothrow) CAction(1, ActionName(korvel::IDS_GUIDE_MOVE));
    if (action == nullptr) {
        delete line;
        return 0;
    }
    if (old != nullptr) action->AddDelEnt(old);
    action->AddNewEnt(line);
    qvInsertActionIntoManager(action, 0);
    m_lines[static_cast<size_t>(index)] = line;
    return Record();
}

int CQvRecordSet::DeleteAll(LPCTSTR description)
{
    CDbEntityList list;
    for (CDbAidLine* line : m_lines)
        if (line != nullptr) list.AddTail(line);
    if (list.IsEmpty()) return 0;
    CString name(L"清空");
    name += description != nullptr ? description : L"";
    auto* action = new (std::nothrow) CAction(1, name);
    if (action == nullptr) return 0;
    action->AddDelEntList(&list);
    list.RemoveAll();
    qvInsertActionIntoManager(action, 0);
    m_lines.clear();
    return Record();
}

void CQvRecordSet::Rollback()
{
    if (!CActionManager::IsLiving()) return;
    CActionManager* manager = CActionManager::Instance();
    for (size_t i = 0; i < m_actions.size(); ++i) manager->Undo();
}

void CQvRecordSet::DropRecordedActions()
{
    if (CActionManager::IsLiving()) {
        CActionManager* manager = CActionManager::Instance();
        for (auto it = m_actions.rbegin(); it != m_actions.rend(); ++it) manager->RemoveAction(*it);
    }
    RepaintView();
    m_actions.clear();
}

void CQvDatabase::Add(CQvRecordSet* set)
{
    if (set != nullptr) m_sets.push_back(set);
}

void CQvDatabase::Commit()
{
    for (CQvRecordSet* set : m_sets) set->Commit();
}

void CQvDatabase::Rollback()
{
    for (CQvRecordSet* set : m_sets) set->Rollback();
    for (CQvRecordSet* set : m_sets) set->DropRecordedActions();
}
