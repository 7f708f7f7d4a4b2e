// Global settings object and the live tolerances of the geometry library.
#pragma once

#include "framework/looker/AppSettings.h"

#include <cstdint>

// Document format versions: shapes read and write their archive records under
// the version held by the settings object.
inline constexpr std::int32_t kDocVersionShapeHandles = 6;  // handles and machining records from here
inline constexpr std::int32_t kDocVersionCurrent = 12;      // the version new documents are written with

// Defaults of the live tolerances (millimetres, radians).
inline constexpr double kDefaultCrvDiscTol = 0.01;      // curve discretisation for computation
inline constexpr double kDefaultCrvShowDiscTol = 0.05;  // curve discretisation for display
inline constexpr double kDefaultCrvDiscAng = 0.17453292519943295;  // 10 degrees
inline constexpr double kDefaultSurfShowDiscTol = 0.05;  // surface tessellation for display
inline constexpr double kDefaultSurfNCDiscTol = 0.01;    // lifting of NC paths onto surfaces
// Surface/surface intersection: the subdivision triple (distance, gap between unit
// normals, patch size) and the trace triple (distance, angle gap, step), the
// surface kernel's own starting values.
inline constexpr double kDefaultSurfSubdivTol[3] = {0.001, 0.2, 0.01};
inline constexpr double kDefaultSurfTraceTol[3] = {0.0005, 0.1, 0.005};

// Process-wide settings. The geometry side reads the document format version
// and the discretisation settings; the program's own settings come from
// CQVAppSettings.
class CQVGlobal : public CQVAppSettings {
public:
    CQVGlobal() = default;

    std::int32_t GetVersion() const { return m_nVersion; }
    void SetVersion(std::int32_t version) { m_nVersion = version; }

    double GetCrvDiscTol() const { return m_dCrvDiscTol; }
    double GetCrvShowDiscTol() const { return m_dCrvShowDiscTol; }
    double GetCrvDiscAng() const { return m_dCrvDiscAng; }
    double GetSurfShowDiscTol() const { return m_dSurfShowDiscTol; }
    double GetSurfNCDiscTol() const { return m_dSurfNCDiscTol; }
    // Non-positive or non-finite values are refused (the old value stays), so
    // that a bad setting never reaches a discretisation loop.
    bool SetCrvDiscTol(double tol);
    bool SetCrvShowDiscTol(double tol);
    bool SetCrvDiscAng(double radians);
    bool SetSurfShowDiscTol(double tol);
    bool SetSurfNCDiscTol(double tol);
    // The intersection triples. A zero component leaves the kernel's own value
    // when the triple is applied; a negative or non-finite one refuses the whole
    // triple (the old one stays).
    void GetSurfSubdivTol(double* out) const;
    void GetSurfTraceTol(double* out) const;
    bool SetSurfSubdivTol(const double* tol);
    bool SetSurfTraceTol(const double* tol);

private:
    std::int32_t m_nVersion = kDocVersionCurrent;
    double m_dCrvDiscTol = kDefaultCrvDiscTol;
    double m_dCrvShowDiscTol = kDefaultCrvShowDiscTol;
    double m_dCrvDiscAng = kDefaultCrvDiscAng;
    double m_dSurfShowDiscTol = kDefaultSurfShowDiscTol;
    double m_dSurfNCDiscTol = kDefaultSurfNCDiscTol;
    double m_dSurfSubdivTol[3] = {kDefaultSurfSubdivTol[0], kDefaultSurfSubdivTol[1], kDefaultSurfSubdivTol[2]};
    double m_dSurfTraceTol[3] = {kDefaultSurfTraceTol[0], kDefaultSurfTraceTol[1], kDefaultSurfTraceTol[2]};
};

// The published settings object, or null when none is published.
CQVGlobal* gGetQVGlobal();
// Publishes a settings object owned by the caller (null withdraws it).
void gSetQVGlobal(CQVGlobal* global);
// Publishes a settings object owned by the library, creating it when none is
// published yet; returns the published object.
CQVGlobal* gNewQVGlobal();

// Live tolerances: the published object's values, or the defaults above when
// there is none.
double gGetCrvDiscTol();
double gGetCrvShowDiscTol();
double gGetCrvDiscAng();
double gGetSurfShowDiscTol();
double gGetSurfNCDiscTol();
// The surface intersection triples into out[3], in the order the surface
// kernel's setters take them.
void ZDC_Get_gp_pre(double* out);
void ZDC_Get_gp_tra(double* out);

namespace looker::testing {

// Withdraws the published settings object and frees the library-owned one.
void ResetQVGlobal();

}  // namespace looker::testing
