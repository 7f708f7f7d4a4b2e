// The work area: the page (sheet) the drawing is laid out on, the grid and the
// scroll state of the 2D view. One process-wide instance.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/WinTypes.h"

#include <functional>

class CWorkArea {
public:
    // Grid kinds.
    static constexpr int kGridLines = 0;
    static constexpr int kGridDots = 1;

    BOOL m_bGridOn = FALSE;  // grid switch (first field, as the program reads it)
    double m_dGridDx = 10.0;  // grid spacing, millimetres
    double m_dGridAngle = 10.0;  // angle between the rays of a radial grid, degrees
    int m_nGridKind = kGridLines;
    // Grid types: points in rows and columns, or rays and rings about the origin.
    static constexpr int kGridRectangular = 0;
    static constexpr int kGridRadial = 1;
    int m_nGridType = kGridRectangular;
    double m_dGridDy = 10.0;     // rectangular grid spacing in y, millimetres
    double m_dRadSpace = 10.0;   // ring spacing of a radial grid, millimetres

    static CWorkArea* Instance();
    static void Uninstance();

    // Page size in millimetres (A4 portrait by default) and the page box,
    // which starts at the origin.
    void GetPageSize(float& width, float& height) const;
    BOX2<double> GetPageSize() const;
    // Sizes that are not positive and finite are refused.
    BOOL SetPageSize(double width, double height);
    double GetSpaceDx() const { return m_dGridDx; }
    void SetSpaceDx(double dx) { m_dGridDx = dx; }
    double GetSpaceDy() const { return m_dGridDy; }
    void SetSpaceDy(double dy) { m_dGridDy = dy; }
    double GetSpaceAngle() const { return m_dGridAngle; }
    void SetSpaceAngle(double degrees) { m_dGridAngle = degrees; }
    double GetRadSpace() const { return m_dRadSpace; }
    void SetRadSpace(double space) { m_dRadSpace = space; }
    // Origin kind: 1 the drawing's origin at the page's lower-left corner, otherwise
    // at the page's centre.
    int GetOrigin() const { return m_nOrigin; }
    void SetOrigin(int kind) { m_nOrigin = kind; }

    // Lets the view update its scroll bars from the page and the view box;
    // the view installs the handler (nothing happens without one).
    void SetScrollInfo();
    void SetScrollHandler(std::function<void()> handler) { m_scroll = std::move(handler); }

private:
    double m_dPageWidth = 210.0;
    double m_dPageHeight = 297.0;
    int m_nOrigin = 1;
    std::function<void()> m_scroll;
};
