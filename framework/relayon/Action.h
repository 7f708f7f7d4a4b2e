// Undo actions and the action manager (undo and redo stacks).
//
// An action records entities it added to the database and entities it took
// out. Carrying it out (Do, Redo) adds the new ones and removes the deleted
// ones; Undo reverses that. Whatever is out of the database belongs to the
// action: new entities while undone, deleted entities while done.
#pragma once

#include "framework/db/DbEntity.h"
#include "platform/core/Containers.h"
#include "platform/core/WinString.h"

#include <memory>
#include <utility>
#include <vector>

class CAction : public CObject {
    DECLARE_DYNAMIC(CAction)
public:
    CAction(int kind, LPCTSTR name);
    ~CAction() override;

    // Entities the action adds (owned by the action until it is carried out).
    void AddNewEnt(CDbEntity* entity);
    // Entities of the database the action takes out.
    void AddDelEnt(CDbEntity* entity);
    void AddDelEntList(CDbEntityList* list);

    virtual void Do();
    virtual void Undo();
    virtual void Redo() { Do(); }
    // FALSE when the action records nothing.
    virtual BOOL IsEmpty() const;

    BOOL IsDone() const { return m_bDone; }
    const CString& GetName() const { return m_strName; }
    int GetKind() const { return m_nKind; }

protected:
    int m_nKind;
    CString m_strName;
    BOOL m_bDone = FALSE;
    std::vector<CDbEntity*> m_newEnts;
    std::vector<CDbEntity*> m_delEnts;
};

// Colour change of entities of the database.
class CActionColor : public CAction {
    DECLARE_DYNAMIC(CActionColor)
public:
    CActionColor(int kind, LPCTSTR name) : CAction(kind, name) {}
    // Records the entity's colour and the new one; the change happens in Do.
    void AddColorEnt(CDbEntity* entity, COLORREF newColour);
    void Do() override;
    void Undo() override;
    BOOL IsEmpty() const override { return m_colours.empty() && CAction::IsEmpty(); }
    int GetColorEntCount() const { return static_cast<int>(m_colours.size()); }

private:
    struct Change {
        CDbEntity* entity;
        COLORREF before;
        COLORREF after;
    };
    std::vector<Change> m_colours;
};

class CLayer;
class CCmdUI;

// Deletion of a layer together with its entities as one step. Carrying it out
// takes the layer out of the layer table and its entities out of the entity
// list; undoing puts both back at the positions they had.
class CActionDelLayer : public CAction {
    DECLARE_DYNAMIC(CActionDelLayer)
public:
    CActionDelLayer(int kind, LPCTSTR name) : CAction(kind, name) {}
    ~CActionDelLayer() override;
    // The layer of the database to delete (by its id).
    void SetLayer(CLayer* layer);
    void Do() override;
    void Undo() override;
    BOOL IsEmpty() const override { return m_nLayerID < 0 && CAction::IsEmpty(); }

private:
    int m_nLayerID = -1;
    int m_nLayerIndex = -1;           // position in the table before the deletion
    CLayer* m_pLayer = nullptr;       // owned while done
    std::vector<int> m_entityIndexes;  // list positions of the deleted entities, ascending
};

class CActionManager {
public:
    static CActionManager* Instance();  // creates the manager on first use
    static BOOL IsLiving();
    static void Uninstance();

    CActionManager() = default;
    ~CActionManager();
    CActionManager(const CActionManager&) = delete;
    CActionManager& operator=(const CActionManager&) = delete;

    // Carries the action out and makes it the newest undo step; the redo steps
    // are dropped. Takes ownership.
    void Insert(CAction* action);
    BOOL Undo();
    BOOL Redo();
    BOOL CanUndo() const { return !m_undo.empty(); }
    BOOL CanRedo() const { return !m_redo.empty(); }
    CString GetUndoName() const;
    CString GetRedoName() const;
    int GetUndoCount() const { return static_cast<int>(m_undo.size()); }
    int GetRedoCount() const { return static_cast<int>(m_redo.size()); }
    void Clear();
    // The newest action (the one Undo takes back next) as a position that
    // stays valid while that action is in the history, undone or not; null
    // when there is none.
    POSITION GetCurActionPos() const;
    // Deletes the action at pos from the history, on the undo or the redo
    // side, without carrying anything out; FALSE when it is not there.
    BOOL RemoveAction(POSITION pos);

private:
    std::vector<std::unique_ptr<CAction>> m_undo;
    std::vector<std::unique_ptr<CAction>> m_redo;
};

class QMessage;

// Carries the action out as the newest undo step (takes ownership); 0 for null.
int qvInsertActionIntoManager(CAction* action, int flag);
// Adds the new entities to the database (and takes the deleted ones out) as
// one undoable action named name; takes ownership of the new entities and
// empties newList. 0 when there is nothing to do.
int qvEntListToManager(CDbEntityList* newList, CDbEntityList* delList, LPCTSTR name);
// Creates the entity database, the selection (published with gSetSelector)
// and the undo manager; qvClearAllManager destroys them.
void qvCreateAllManager();
void qvClearAllManager();
void qvClearSelSet();
// Hands the message to the published hub's message operation.
int qvSendMessage(QMessage* message);
// Lets the running (else the main) command set the item of the message.
void qvSendMessage(QMessage* message, CCmdUI* cmdUI);
