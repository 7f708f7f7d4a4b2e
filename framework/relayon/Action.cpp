#include "framework/relayon/Action.h"

#include "framework/looker/AppSlots.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/Layer.h"
#include "platform/ui/Document.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

IMPLEMENT_DYNAMIC(CAction, CObject)
IMPLEMENT_DYNAMIC(CActionColor, CAction)
IMPLEMENT_DYNAMIC(CActionDelLayer, CAction)

namespace {
std::unique_ptr<CActionManager> g_actionManager;
std::unique_ptr<CSelector> g_selector;

// Every change of the drawing through the undo list marks the published
// document modified, so that closing it asks before the change is lost.
void MarkDocumentModified()
{
    if (CDocument* doc = gGetDocument()) doc->SetModifiedFlag(TRUE);
}
}  // namespace

CAction::CAction(int kind, LPCTSTR name) : m_nKind(kind), m_strName(name) {}

CAction::~CAction()
{
    for (CDbEntity* e : m_bDone ? m_delEnts : m_newEnts) delete e;
}

void CAction::AddNewEnt(CDbEntity* entity)
{
    if (entity != nullptr) m_newEnts.push_back(entity);
}

void CAction::AddDelEnt(CDbEntity* entity)
{
    if (entity != nullptr) m_delEnts.push_back(entity);
}

void CAction::AddDelEntList(CDbEntityList* list)
{
    if (list == nullptr) return;
    for (CDbEntity* e : *list) AddDelEnt(e);
}

void CAction::Do()
{
    if (m_bDone) return;
    CDBase* db = CDBase::Instance();
    for (CDbEntity* e : m_newEnts) db->AddTail(e);
    for (CDbEntity* e : m_delEnts) db->Remove(e);
    m_bDone = TRUE;
}

void CAction::Undo()
{
    if (!m_bDone) return;
    CDBase* db = CDBase::Instance();
    for (auto it = m_newEnts.rbegin(); it != m_newEnts.rend(); ++it) db->Remove(*it);
    for (CDbEntity* e : m_delEnts) db->AddTail(e);
    m_bDone = FALSE;
}

BOOL CAction::IsEmpty() const { return m_newEnts.empty() && m_delEnts.empty(); }

void CActionColor::AddColorEnt(CDbEntity* entity, COLORREF newColour)
{
    if (entity != nullptr) m_colours.push_back({entity, entity->GetColor(), newColour & 0xFFFFFFu});
}

void CActionColor::Do()
{
    if (m_bDone) return;
    CAction::Do();
    for (const Change& c : m_colours) c.entity->SetColor(c.after);
}

void CActionColor::Undo()
{
    if (!m_bDone) return;
    for (auto it = m_colours.rbegin(); it != m_colours.rend(); ++it) it->entity->SetColor(it->before);
    CAction::Undo();
}

CActionDelLayer::~CActionDelLayer() { delete m_pLayer; }

void CActionDelLayer::SetLayer(CLayer* layer) { m_nLayerID = layer != nullptr ? layer->GetID() : -1; }

void CActionDelLayer::Do()
{
    if (m_bDone) return;
    CDBase* db = CDBase::Instance();
    // Positions as the list stands now, in one walk, so that undo restores the
    // same order; entities that are not in the database are not taken.
    const std::unordered_set<CDbEntity*> deleting(m_delEnts.begin(), m_delEnts.end());
    m_entityIndexes.clear();
    m_delEnts.clear();
    int index = 0;
    for (CDbEntity* e : db->GetEntities()) {
        if (deleting.count(e) != 0) {
            m_entityIndexes.push_back(index);
            m_delEnts.push_back(e);
        }
        ++index;
    }
    m_nLayerIndex = db->GetIndexByLayerID(m_nLayerID);
    m_pLayer = db->RemoveLayerAt(m_nLayerIndex);
    CAction::Do();
}

void CActionDelLayer::Undo()
{
    if (!m_bDone) return;
    CDBase* db = CDBase::Instance();
    if (m_pLayer != nullptr) db->InsertLayerAt(m_nLayerIndex, m_pLayer);
    m_pLayer = nullptr;
    // Ascending positions: each entity goes back before the ones that followed it.
    for (size_t i = 0; i < m_delEnts.size(); ++i) db->InsertAt(m_entityIndexes[i], m_delEnts[i]);
    m_bDone = FALSE;
}

CActionManager* CActionManager::Instance()
{
    if (!g_actionManager) g_actionManager = std::make_unique<CActionManager>();
    return g_actionManager.get();
}

BOOL CActionManager::IsLiving() { return g_actionManager ? TRUE : FALSE; }
void CActionManager::Uninstance() { g_actionManager.reset(); }

CActionManager::~CActionManager() { Clear(); }

void CActionManager::Clear()
{
    // Newest first: a later step may hold entities an earlier one added.
    while (!m_redo.empty()) m_redo.pop_back();
    while (!m_undo.empty()) m_undo.pop_back();
}

void CActionManager::Insert(CAction* action)
{
    if (action == nullptr) return;
    std::unique_ptr<CAction> owned(action);
    owned->Do();
    while (!m_redo.empty()) m_redo.pop_back();
    m_undo.push_back(std::move(owned));
    MarkDocumentModified();
}

POSITION CActionManager::GetCurActionPos() const
{
    return m_undo.empty() ? nullptr : reinterpret_cast<POSITION>(m_undo.back().get());
}

BOOL CActionManager::RemoveAction(POSITION pos)
{
    if (pos == nullptr) return FALSE;
    for (auto* stack : {&m_undo, &m_redo}) {
        auto it = std::find_if(stack->begin(), stack->end(),
                               [pos](const std::unique_ptr<CAction>& a) { return reinterpret_cast<POSITION>(a.get()) == pos; });
        if (it != stack->end()) {
            stack->erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CActionManager::Undo()
{
    if (m_undo.empty()) return FALSE;
    m_undo.back()->Undo();
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    MarkDocumentModified();
    return TRUE;
}

BOOL CActionManager::Redo()
{
    if (m_redo.empty()) return FALSE;
    m_redo.back()->Redo();
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    MarkDocumentModified();
    return TRUE;
}

CString CActionManager::GetUndoName() const { return m_undo.empty() ? CString() : m_undo.back()->GetName(); }
CString CActionManager::GetRedoName() const { return m_redo.empty() ? CString() : m_redo.back()->GetName(); }

int qvInsertActionIntoManager(CAction* action, int)
{
    if (action == nullptr) return 0;
    CActionManager::Instance()->Insert(action);
    return 1;
}

int qvEntListToManager(CDbEntityList* newList, CDbEntityList* delList, LPCTSTR name)
{
    const bool hasNew = newList != nullptr && !newList->IsEmpty();
    const bool hasDel = delList != nullptr && !delList->IsEmpty();
    if (!hasNew && !hasDel) return 0;
    auto* action = new CAction(1, name);
    if (hasNew) {
        for (CDbEntity* e : *newList) action->AddNewEnt(e);
        newList->RemoveAll();
    }
    if (hasDel) action->AddDelEntList(delList);
    return qvInsertActionIntoManager(action, 0);
}

void qvCreateAllManager()
{
    CDBase::Instance();
    if (!g_selector) g_selector = std::make_unique<CSelector>();
    gSetSelector(g_selector.get());
    CActionManager::Instance();
}

void qvClearAllManager()
{
    // Undo steps may hold entities that are in the database: they go first.
    CActionManager::Uninstance();
    gSetSelector(nullptr);
    g_selector.reset();
    CDBase::Uninstance();
}

void qvClearSelSet()
{
    if (CSelector* selector = gGetSelector()) selector->ClearAll();
}

int qvSendMessage(QMessage* message)
{
    CRelayon* hub = gGetRelayon();
    return hub != nullptr ? hub->OnMessage(message) : 0;
}

void qvSendMessage(QMessage* message, CCmdUI* cmdUI)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    CCommand* cmd = hub->GetCurCmd() != nullptr ? hub->GetCurCmd() : hub->GetCurMainCmd();
    if (cmd != nullptr) cmd->OnUpdateMessageUI(message, cmdUI);
}
