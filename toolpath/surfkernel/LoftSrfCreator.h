#pragma once
// Lofted (skinned) NURBS surfaces through an ordered list of cross sections.
// A section is a 2D curve placed flat or upright in space, a 3D curve, or a
// single point (a pointed end). The creator owns its sections; making surfaces
// does not consume them, so one creator can make surfaces again and again.

#include "geometry/shapes3d/GeCurve3d.h"

#include <memory>
#include <vector>

struct BCRV;
class CGeCurve;
struct _nurbs_surface;

// Creases sharper than this (radians, 5 degrees) split the loft of whole sections.
inline constexpr double kLoftCreaseAngle = 0.0872664625997;

class CLoftSrfCreator {
public:
    CLoftSrfCreator();
    ~CLoftSrfCreator();
    // Sections are owned once: no copies.
    CLoftSrfCreator(const CLoftSrfCreator&) = delete;
    CLoftSrfCreator& operator=(const CLoftSrfCreator&) = delete;

    // Appends a section made from the 2D curve's members at z = 0. With
    // standUp set, an open curve (not closed within 0.01) is turned by pi/2
    // about its chord (start to end as given, through the start point) so that
    // it stands upright on the chord; a closed one stays flat. reverse runs
    // every member backwards and the members in the opposite order. A null
    // curve, or one that gives no members, appends nothing. The curve is only read.
    void AddCross(CGeCurve* curve, int reverse, int standUp);
    // Appends a section of copies of the 3D curve's members (a composite is
    // taken apart), reversed as above when asked. Null appends nothing.
    void AddCross(CGeCurve3d* curve, int reverse);
    // Appends a section that is the single point.
    void AddCrossPoint(double* point);

    // One surface skinned through all sections (each joined into one NURBS
    // curve; a point section is a curve of two equal points), owned by the
    // caller; null with fewer than two sections, when a section cannot be
    // converted or when skinning fails.
    _nurbs_surface* CreatLoftSurf();
    // Appends the loft surfaces: one per member position (CreatLoftSurfEqu)
    // when every section has the same member count, otherwise the surface of
    // CreatLoftSurf split where its tangent plane turns by more than
    // kLoftCreaseAngle across u (unsplit when nothing needed splitting).
    void CreatLoftSurf(std::vector<_nurbs_surface*>& out);
    // For each member position b = 0 .. count-1, the surface skinned through the
    // b-th members of all sections, appended when made. A position that some
    // section lacks, or whose member does not convert, gives no surface.
    void CreatLoftSurfEqu(std::vector<_nurbs_surface*>& out, int count);

    // Number of sections held.
    int GetCrossCount() const { return static_cast<int>(m_sections.size()); }

    // Order across the sections, handed to CNurbsEditor::SkinV (lowered there to
    // the section count). Cubic unless the caller sets it.
    int m_nVOrder = 4;

private:
    struct Section {
        Section() = default;
        ~Section();
        Section(const Section&) = delete;
        Section& operator=(const Section&) = delete;
        CGeCurve3dList members;      // owned, in order along the section
        std::vector<double> params;  // 0, then cumulative arc length / total after each member
        double point[3] = {0.0, 0.0, 0.0};
    };

    // Reverses the members (reverse set), computes the member parameters and appends.
    void Append(std::unique_ptr<Section> section, int reverse);
    // One NURBS curve for the whole section (members joined); null when it does not convert.
    static BCRV* SectionCurve(Section& section);
    // SkinV over the curves, which are freed; null when any is null.
    _nurbs_surface* Skin(std::vector<BCRV*>& curves) const;

    std::vector<std::unique_ptr<Section>> m_sections;
};
