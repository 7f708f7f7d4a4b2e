// The layer main command: every layer action of the menus, the tab strip's
// first three buttons and the layer dialogs, chosen by its mode. Modes 0 (the
// layer manager) and 4 (move the selection to a picked layer) stay active
// while their page waits in the design centre; the others work at once and end.
#pragma once

#include "framework/relayon/Command.h"

#include <memory>

class CDialog;
class CQvLayerBarWnd;

class CLayerManageCmd : public CCommand {
    DECLARE_DYNAMIC(CLayerManageCmd)
public:
    enum Mode { kEdit, kShowAll, kShowOne, kHideOfObject, kMoveToPicked, kMoveToCurrent, kCurrentOfObject };

    CLayerManageCmd(int first, LPCTSTR name, int third = 0);
    ~CLayerManageCmd() override;

    // The mode's name; empty for another mode.
    CString GetModeName() const;
    BOOL IsEnable() override;
    int HostType() override { return 1; }
    int StartUp(int mode) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
    int Cancel() override;
    int OnMessage(QMessage* message) override;

    // The picker's answer: moves the selection to the layer at position.
    void OnLayerChosen(int position);
    // The dialog page of modes 0 and 4 while it is shown.
    CDialog* GetCmdDlg() const { return m_pDialog.get(); }

private:
    static CQvLayerBarWnd* LayerBar();
    void ShowPage();
    void ShowAll(CQvLayerBarWnd* bar);
    void ShowOne(CQvLayerBarWnd* bar);
    void HideOfObject(CQvLayerBarWnd* bar);
    void MoveToCurrent(CQvLayerBarWnd* bar);
    void CurrentOfObject(CQvLayerBarWnd* bar);

    std::unique_ptr<CDialog> m_pDialog;
    std::unique_ptr<CDialog> m_pEnded;  // a page that ended from its own handler
};
