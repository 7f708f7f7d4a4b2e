// Cutting tools of the milling code: a vertical tool whose CL point is its tip.
//
// Every kind is a surface of revolution described by its profile h(d), the height
// of the cutting surface above the tip at radius d, for 0 <= d <= reach (half the
// diameter, or less for a taper ball cut short by its cut depth):
//   ball           h = R - sqrt(R^2 - d^2)
//   flat, drill    h = 0
//   bull           h = 0 up to R - rc, then a quarter circle of radius rc
//   cone           h = d / tan(half angle)
//   taper ball     a ball of radius rb tangent to a cone of the half angle
// Above the profile's rim the tool is a cylinder of the reach radius, which never
// touches first when the tool is lowered, so the contacts only need h. Every h is
// convex and non-decreasing, so along a segment z(t) - h(d(t)) is concave and the
// edge contact is a bracketed one-dimensional maximum.
//
// The contact functions never allocate and never return NaN or infinity: an element
// out of reach gives kNoHeight, zero-length edges act as their vertex, horizontal
// and slightly downward normals give the rim contact, and NaN input counts as out of
// reach.
#pragma once

#include "platform/core/Object.h"

// Height of a point that the tool cannot reach ("no height" of the milling code).
constexpr double kNoHeight = -1e12;

// Working shape of a tool, derived from its parameters by SetAidParam.
struct ToolShape {
  enum Kind { Flat, Ball, Bull, Cone, TaperBall };
  Kind kind = Flat;
  double reach = 0;      // radius of the profile's rim
  double flatRad = 0;    // bull: radius of the flat bottom (reach - corner radius)
  double roundRad = 0;   // ball radius; bull corner radius; taper ball tip radius
  double cotHalf = 0;    // cone, taper ball: slope dh/dd of the cone
  double tanHalf = 0;    // its inverse
  double tangentRad = 0; // taper ball: radius where the ball meets the cone
  double tangentH = 0;   // taper ball: height there

  // Profile height at radius d (clamped to [0, reach]).
  double Height(double d) const;
  // Largest radius whose profile height is at most h; 0 below the tip.
  double RadiusAt(double h) const;
  // Radius of the contact with a plane of unit normal (nxy, nz), nxy = |n.xy| >= 0.
  double PlaneContactRadius(double nxy, double nz) const;
  // Highest value of za + m u - h(sqrt(dperp^2 + (u - up)^2)) for u in [u0, u1]
  // (a range inside the reach); returns the height and the maximising u.
  double EdgeMax(double za, double m, double dperp, double up, double u0, double u1, double* uBest) const;
};

class CTool : public CObject {
  DECLARE_DYNAMIC(CTool)
public:
  ~CTool() override = default;
  void Serialize(CArchive& ar) override;
  void AssertValid() const override;
  void Dump(CDumpContext& dc) const override;

  // 0 base, 1 ball, 2 cylindrical, 4 conical, 8 bull, 16 drill, 32 taper ball.
  virtual int Type() const { return 0; }
  // A new tool of the same kind and parameters, owned by the caller.
  virtual CTool* Copy() const = 0;
  // Same kind and the same parameters.
  virtual BOOL IsSame(const CTool* other) const;
  virtual float GetDia() const { return static_cast<float>(m_dDia); }
  // Radius of the tip's rounding: ball radius, bull corner, taper ball tip; 0 for sharp tips.
  virtual double GetTipRad() const { return 0; }
  // Profile height above the tip at radius rad (rad clamped to the reach).
  virtual double GetRadInHeight(double rad) const;
  // Horizontal radius of the tool at height h above its tip (the inverse profile);
  // `reserved` is unused, callers pass 0.
  virtual float GetRadiusComp(double h, double reserved) const;
  // Derives the working shape from the parameters; call after changing or loading them.
  virtual void SetAidParam();
  // Fills {diameter, tip radius, half angle in degrees (0 when none), cut depth (0 when
  // none)}; returns Type().
  virtual int GetToolParam(double param[4]) const;
  // Boxes {min x, min y, min z, max x, max y, max z} of the cutting part of the tool
  // with its tip at p, or swept with its tip along a-b.
  virtual void Calc_Line_ChkBox(const double a[3], const double b[3], double box[6]) const;
  virtual void Calc_Point_ChkBox(const double p[3], double box[6]) const;
  // Parameter range [t[0], t[1]] of segment a-b within the tool's reach in XY from p;
  // 0 (t untouched) when no part of it is in reach.
  virtual int Eval_Line_Param(const double a[3], const double b[3], const double p[3], double t[2]) const;
  // Point of the tool surface, tip at cl, that touches a plane of upward normal n.
  virtual void Eval_EnvelopPoint(const double n[3], const double cl[3], double cc[3]) const;
  // off = CL point minus contact point of the tool resting on a plane of normal n
  // (made unit here; n.z <= 0 gives the rim contact, a zero normal a zero offset). Returns 1.
  virtual int Eval_FacetCC_OffVec(const double n[3], double off[3]) const;
  // CL height at which the tool, lowered along the vertical through (px, py), first
  // touches segment a-b; kNoHeight out of reach. t and cc (either may be null) receive
  // the contact's parameter on a-b and the contact point.
  virtual double Zval_EdgeCC(const double a[3], const double b[3], double px, double py, double* t,
                             double cc[3]) const;
  virtual double Zval_EdgeCC(const double a[3], const double b[3], const double p[3]) const;
  // The same for the point v.
  virtual double Zval_VertCC(const double v[3], const double p[3]) const;
  // Distance between neighbouring passes for the step-over setting s: s percent of the
  // diameter, s clamped to [1, 100].
  virtual double IntervalDist(double s) const;

  const ToolShape& Shape() const { return m_shape; }

protected:
  explicit CTool(double dia = 0) : m_dDia(dia) {}
  // Fills the kind-specific parts of m_shape; m_shape.reach is already set.
  virtual void BuildShape(ToolShape& shape) const = 0;
  // Parameters beyond the diameter, for IsSame.
  virtual bool SameParams(const CTool& other) const;
  // Stores or loads the parameters beyond the diameter.
  virtual void SerializeParams(CArchive& ar);

public:
  double m_dDia;  // diameter

protected:
  ToolShape m_shape;
};

class CTBall : public CTool {
  DECLARE_SERIAL(CTBall)
public:
  explicit CTBall(double dia = 6);
  int Type() const override { return 1; }
  CTool* Copy() const override;
  double GetTipRad() const override { return m_shape.roundRad; }
  void SetAidParam() override;
  // Ball radius and its square, set by SetAidParam.
  float m_R = 0;
  float m_R2 = 0;

protected:
  void BuildShape(ToolShape& shape) const override;
};

class CTCylindrical : public CTool {
  DECLARE_SERIAL(CTCylindrical)
public:
  explicit CTCylindrical(double dia = 6);
  int Type() const override { return 2; }
  CTool* Copy() const override;

protected:
  void BuildShape(ToolShape& shape) const override;
};

// A drill touches like a flat end mill.
class CTDrill : public CTCylindrical {
  DECLARE_SERIAL(CTDrill)
public:
  explicit CTDrill(double dia = 6);
  int Type() const override { return 16; }
  CTool* Copy() const override;
};

class CTConnic : public CTool {
  DECLARE_SERIAL(CTConnic)
public:
  // halfAngle: between the axis and the side, degrees, kept within [0.01, 90].
  explicit CTConnic(double dia = 6, double halfAngle = 45);
  int Type() const override { return 4; }
  CTool* Copy() const override;
  int GetToolParam(double param[4]) const override;

  double m_dHalfAngle;

protected:
  void BuildShape(ToolShape& shape) const override;
  bool SameParams(const CTool& other) const override;
  void SerializeParams(CArchive& ar) override;
};

class CTBull : public CTool {
  DECLARE_SERIAL(CTBull)
public:
  // cornerRad: radius of the rounded corner, kept within [0, dia / 2].
  explicit CTBull(double dia = 6, double cornerRad = 1);
  int Type() const override { return 8; }
  CTool* Copy() const override;
  double GetTipRad() const override { return m_shape.roundRad; }

  double m_dCornerRad;

protected:
  void BuildShape(ToolShape& shape) const override;
  bool SameParams(const CTool& other) const override;
  void SerializeParams(CArchive& ar) override;
};

class CTTaperBall : public CTool {
  DECLARE_SERIAL(CTTaperBall)
public:
  // tipRad: radius of the ball tip; halfAngle: of the taper, degrees, kept within
  // [0.01, 89.99]; the taper runs up to the diameter.
  explicit CTTaperBall(double dia = 6, double tipRad = 0.5, double halfAngle = 5);
  int Type() const override { return 32; }
  CTool* Copy() const override;
  double GetTipRad() const override { return m_shape.roundRad; }
  int GetToolParam(double param[4]) const override;
  // Length of the cutting part above the tip; the tool reaches no wider than the
  // taper at that height (above it only the shank follows). 0 or less: no limit.
  void SetCutDepth(double depth);

  double m_dTipRad;
  double m_dHalfAngle;
  double m_dCutDepth = 0;

protected:
  void BuildShape(ToolShape& shape) const override;
  bool SameParams(const CTool& other) const override;
  void SerializeParams(CArchive& ar) override;
};
