#pragma once
// The stateless facade of the surface operations. For now it holds the maker of
// 3D curves from point arrays, which the surface operations and the trimming
// adaptor use to hand their results back.

#include "framework/numerak/PointTypes.h"
#include "platform/core/Containers.h"

class CGeCurve3d;

// Point cleaning of MakeCurve: points closer than this to the last kept one are
// dropped, and runs within it of one chord become that chord.
inline constexpr double kMakeCurveTol = 0.0001;
// A polyline whose ends lie closer than this is closed exactly.
inline constexpr double kMakeCurveCloseTol = 0.2;
// Error bound of the approximating NURBS curve of type 1.
inline constexpr double kMakeCurveApproxTol = 0.2;

class CSrfActor {
public:
    // A new curve through the cleaned points: type 2 a CGePolyline3d (closed exactly
    // when its ends lie within 0.2), type 1 a CGeLine3d for two points and otherwise
    // a cubic NURBS curve within 0.2 of the points, any other type an interpolating
    // NURBS curve of order 3. Null for fewer than two points (after cleaning) or
    // when the curve cannot be made; the caller owns the curve.
    CGeCurve3d* MakeCurve(CArray<tagPoint3d, tagPoint3d>* pts, int type);
};
