// Guide lines of one orientation as the guide-line settings page edits them,
// and the set of record sets that commits or takes back their changes together.
//
// Every change goes into the database at once as an undoable action; a record
// set remembers the actions it made, so that Rollback can undo them and
// DropRecordedActions can take them out of the undo history again (nothing to
// redo afterwards), while Commit leaves them there as ordinary undo steps.
#pragma once

#include "platform/core/Containers.h"
#include "platform/core/WinString.h"

#include <vector>

class CDbAidLine;

class CQvRecordSet {
public:
    explicit CQvRecordSet(int orientation) : m_nOrientation(orientation) {}
    virtual ~CQvRecordSet() = default;
    CQvRecordSet(const CQvRecordSet&) = delete;
    CQvRecordSet& operator=(const CQvRecordSet&) = delete;

    int GetCount() const { return static_cast<int>(m_lines.size()); }
    // 0.0 for an index outside [0, count).
    double GetLinePos(int index) const;
    // The database's guide lines of this orientation (0 or 1), in database order;
    // any other orientation leaves the set empty.
    void Load(int orientation);
    // 1 done; 0 when the entity or the action cannot be made.
    int AddLine(double position);
    // 0 for a bad index or a missing line.
    int DeleteLine(int index);
    // Replaces the line by one at the new position, in the same place; 0 for a bad index.
    int MoveLine(int index, double position);
    // Removes every line in one action named "清空" + description; 0 for an empty set.
    int DeleteAll(LPCTSTR description);
    void Commit() { m_actions.clear(); }
    void Rollback();
    void DropRecordedActions();
    int GetRecordedCount() const { return static_cast<int>(m_actions.size()); }

private:
    // Records the newest action of the manager and repaints; 0 without a manager.
    int Record();

    int m_nOrientation;
    std::vector<CDbAidLine*> m_lines;  // owned by the database
    std::vector<POSITION> m_actions;   // positions in the action manager's history
};

class CQvHorAidLineRecordSet : public CQvRecordSet {
public:
    CQvHorAidLineRecordSet() : CQvRecordSet(0) {}
};

class CQvVerAidLineRecordSet : public CQvRecordSet {
public:
    CQvVerAidLineRecordSet() : CQvRecordSet(1) {}
};

class CQvDatabase {
public:
    virtual ~CQvDatabase() = default;
    // Null is ignored; the sets are not owned.
    void Add(CQvRecordSet* set);
    void Commit();
    // Every set's Rollback, then every set's DropRecordedActions.
    void Rollback();

private:
    std::vector<CQvRecordSet*> m_sets;
};
