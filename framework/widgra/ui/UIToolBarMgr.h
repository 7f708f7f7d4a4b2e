// Tool-bar manager: the list of the frame's bars with the UI mode each belongs
// to, the current mode (16 tab tool bar, 17 classic bars), and slots for the
// status bar, the menu bar and the rulers. One process-wide instance.
#pragma once

#include "platform/ui/BasePane.h"

#include <map>
#include <memory>
#include <vector>

class CMFCMenuBar;
class CQVStatusBar;

// One registered bar (the frame allocates it, the manager owns it).
struct UIToolBarRec {
    UINT m_nBarID = 0;
    UINT m_nImageID = 0;
    CBasePane* m_pBar = nullptr;  // widened from 32 bits
    int m_nUIMode = 16;
    int m_nValue5 = 0;
    int m_nValue6 = 0;
    int m_nMainCmd = -1;
    int m_nTabItem = -1;
};

class CUIToolBarMgr {
public:
    static constexpr int kModeTab = 16;
    static constexpr int kModeClassic = 17;

    // The mode starts as the profile kept it (entry "UIMode" of the frame's
    // state section), so the frame builds the user's last bar set.
    CUIToolBarMgr();

    static CUIToolBarMgr* Instance();
    static void Uninstance();

    // Takes ownership of the record.
    void AddBar(UIToolBarRec* record);
    int GetBarCount() const { return static_cast<int>(m_bars.size()); }
    UIToolBarRec* GetBar(int index) const;

    int GetUIMode() const { return m_nUIMode; }
    BOOL IsCurrentUI(int mode) const { return m_nUIMode == mode; }
    // Sets the mode: the bars of the other mode hide, those of this mode show as
    // they were when the mode was last left (at first as RememberShown says;
    // a bar never named there shows). Other modes are refused. A new mode is
    // written to the profile.
    void ShowCurrentUI(int mode);
    // Whether the bar shows the next time its mode becomes current.
    void RememberShown(const CBasePane* bar, BOOL shown) { m_shown[bar] = shown != FALSE; }

    // Asks for the id of the current main command (the hub's answer).
    void SetMainCmdQuery(int (*query)()) { m_pfnMainCmd = query; }
    int GetMainCmdID() const { return m_pfnMainCmd != nullptr ? m_pfnMainCmd() : 0; }

    // The view's notice that the main command id is current (its item was
    // updated); kept for the bars that show the current main command.
    static void UpdateBarUI_CurCmd(int id);
    int GetNoticedMainCmd() const { return m_nNoticedCmd; }

    CQVStatusBar* m_pStatusBar = nullptr;
    CMFCMenuBar* m_pMenuBar = nullptr;
    CBasePane* m_pHorRuler = nullptr;
    CBasePane* m_pVertRuler = nullptr;

private:
    std::vector<std::unique_ptr<UIToolBarRec>> m_bars;
    int m_nUIMode = kModeTab;
    std::map<const CBasePane*, bool> m_shown;
    int (*m_pfnMainCmd)() = nullptr;
    int m_nNoticedCmd = 0;
};
