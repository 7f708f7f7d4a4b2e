// The paste command: inserts the entities that the program put on the
// clipboard (copy and cut of the document). It reads the clipboard once when
// it starts; copies follow the cursor, and a click or a typed point places the
// entities there (the copied selection's centre lands on the point) as one undo
// step on the current layer, with new handles.
#pragma once

#include "framework/db/DbEntity.h"
#include "framework/relayon/Command.h"

#include <vector>

class CPasteCmd : public CCommand {
    DECLARE_DYNAMIC(CPasteCmd)
public:
    static constexpr int kCursor = 317;

    CPasteCmd(int first, LPCTSTR name);
    ~CPasteCmd() override;

    // Enabled while the clipboard holds the program's format.
    BOOL IsEnable() override;
    int HostType() override { return 1; }
    int StartUp(int subCommand) override;
    void Sleep() override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
    int Cancel() override;
    int OnKeyInP2D(double* p) override;

    // Reads the payload bytes into the base point and the list. A payload that
    // does not read whole gives nothing (FALSE) and is reported.
    BOOL ReadClipboard(CObList& list, const std::vector<BYTE>& bytes);
    // Places the clipboard entities at the point and ends the run.
    int PasteAt(const Position& pos);
    // Hands the entities to the database as one undo step named after the
    // command, on the current layer, unselected, with new handles and no
    // references to other entities.
    void AddPastedEntities(CObList& list);

    const Position& GetBasePoint() const { return m_posBase; }
    const CObList& GetClipboardEntities() const { return m_entities; }

private:
    void DeletePreview(CDC* dc);

    CObList m_entities{10};
    CDbEntityList m_preview{10};
    Position m_posBase;
    Position m_posLast;
};
