// Loops as text (x y per line, a line starting with '>' between loops, as GMT writes
// multi-segment files) and as SVG, and the loop and region lists the loop functions take.
#pragma once

#include "toolpath/contours/LoopApi.h"

class CDbPathGroup;

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

namespace loopops {

using Pt = std::array<double, 2>;
using Polygon = std::vector<Pt>;

// The loops of a text stream: empty lines and lines starting with '#' skipped, a repeated
// closing point dropped, loops of fewer than three points dropped. False (with a message)
// on a line that is not two numbers.
bool ReadLoops(std::istream& in, std::vector<Polygon>& out, std::string& error);
// One closed polyline loop per polygon, appended to out (owned by the list's holder).
void ToLoops(const std::vector<Polygon>& polys, GeLoopList& out);
// The loops nested into regions by the geometry toolkit (loops it cannot place are
// deleted).
void ToRegions(const std::vector<Polygon>& polys, GeRegionList& out);
// The loops as polygons, arcs at chord error tol.
std::vector<Polygon> Flatten(GeLoopList& loops, double tol);
// Text as ReadLoops reads it.
void WriteLoops(std::ostream& out, const std::vector<Polygon>& polys);
// An SVG picture (y up) of the input loops in grey and the result in blue; arcs of the
// result are SVG arcs. The result is filled even-odd, so islands show as holes.
void WriteSvg(std::ostream& out, const std::vector<Polygon>& input, GeLoopList& result);
// The pocketing strategies of the pocket command.
enum class Strategy { OneWay, Zigzag, Spiral, Radial, Follow };
// Parses "oneway", "zigzag", "spiral", "radial" or "follow"; false for anything else.
bool ParseStrategy(const std::string& name, Strategy& out);
// Cutting paths of the regions as a new database path group (null when no path): linear
// strategies scan along x with lines step apart, finishing with the boundary (zigzag
// links up to 3 steps); spiral cuts half-circle passes step apart about the centre of
// each region's box, clipped by the region and joined along its boundary; radial cuts
// connected rays step degrees apart from that centre; follow cuts rings step apart, the
// boundary first, each entered from the one around it by a short link (round corners).
CDbPathGroup* Pocket(GeRegionList& regions, Strategy strategy, double step);
// The units of the group as open polylines, arcs at chord error tol.
std::vector<Polygon> PathPolylines(CDbPathGroup* group, double tol);
// An SVG picture (y up) of the input loops in grey and the paths as red lines.
void WritePathSvg(std::ostream& out, const std::vector<Polygon>& input, const std::vector<Polygon>& paths);
// Deletes every loop or region of the list.
void Free(GeLoopList& list);
void Free(GeRegionList& list);

}  // namespace loopops
