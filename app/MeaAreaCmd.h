// Area measure: a select command that, after every release of the left button,
// shows the perimeter, the area and the largest inscribed circle of the selected
// curves on a result page.
#pragma once

#include "framework/actorum/MainCmds.h"

#include <memory>

class CDlgMeasure;

class CMeaAreaCmd : public CToolCmd {
    DECLARE_DYNAMIC(CMeaAreaCmd)
public:
    static constexpr UINT kId = 32947;  // korvel::ID_MEASURE_AREA

    CMeaAreaCmd(int first, LPCTSTR name);
    ~CMeaAreaCmd() override;

    int HostType() override { return 1; }
    int StartUp(int subCommand) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT, Position&) override { return Cancel(); }
    int Cancel() override;

    BOOL CreateResultPage();
    void UpdateResults();
    // Total length of the selected 2D and 3D curves; open curves count too.
    double GetPerimeter();
    // Summed region area of the selected curves, each chained into loops on its own.
    double GetArea();
    // The largest inscribed circle over the selected curves, each on its own.
    void GetInscribedCircle(double& radius, double centre[2]);

    CDlgMeasure* GetResultPage() const { return m_pPage.get(); }

private:
    std::unique_ptr<CDlgMeasure> m_pPage;
    // The page of the last run, kept until it cannot be in its own handler.
    std::unique_ptr<CDlgMeasure> m_pEnded;
    int m_nShowFlagBefore = 1;
};
