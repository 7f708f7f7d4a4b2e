#include "platform/ui/PixelStroke.h"

#include <climits>
#include <cstdlib>
#include <utility>

namespace {

enum Caps { kCapBegin = 1, kCapEnd = 2 };
enum Direction {
  kNoDirection = 0,
  kTopToBottom = 1,
  kBottomToTop = 2,
  kLeftToRight = 4,
  kRightToLeft = 8,
  kVerticalMask = 3,
  kHorizontalMask = 12
};

struct Pixel {
  int x, y;
};

// What one segment leaves for the next: its last pixel and direction.
struct Stroke {
  const PixelBuffer& buffer;
  std::uint32_t pixel;
  Pixel lastPixel{INT_MIN, INT_MIN};
  int lastDir = kNoDirection;
  bool lastAxisAligned = false;
  bool tracing = false;  // only follows the segments, drawing nothing

  void Put(int x, int y) const {
    if (x < 0 || x >= buffer.width || y < 0 || y >= buffer.height) return;
    buffer.bits[static_cast<std::ptrdiff_t>(y) * buffer.stride + x] = pixel;
  }
};

// 16.16 quotient of two 26.6 values.
int FixedDiv(int x, int y) {
  if (std::abs(x) > 0x7fff) return static_cast<int>(static_cast<long long>(x) * (1 << 16) / y);
  return x * (1 << 16) / y;
}

int SwapCaps(int caps) { return ((caps & kCapBegin) << 1) | ((caps & kCapEnd) >> 1); }

// A square cap reaches half a pixel past the end along the major axis.
void CapAdjust(int caps, int& a1, int& a2, int& minor, int minorStep) {
  if (caps & kCapBegin) {
    a1 -= 32;
    minor -= minorStep >> 1;
  }
  if (caps & kCapEnd) a2 += 32;
}

// One segment stepped along its major axis: a (major) and b (minor) in 26.6.
// Pixels are (a, b) for a horizontal run, (b, a) for a vertical one. Returns
// whether it drew; a segment too short for a pixel leaves its start to the next.
template <bool kVertical>
bool Segment(Stroke& s, int a1, int b1, int a2, int b2, int caps) {
  constexpr int kForward = kVertical ? kTopToBottom : kLeftToRight;
  constexpr int kBackward = kVertical ? kBottomToTop : kRightToLeft;
  constexpr int kMask = kVertical ? kVerticalMask : kHorizontalMask;
  auto at = [](int major, int minor) { return kVertical ? Pixel{minor, major} : Pixel{major, minor}; };
  auto majorOf = [](Pixel p) { return kVertical ? p.y : p.x; };
  auto minorOf = [](Pixel p) { return kVertical ? p.x : p.y; };

  int dir = kForward;
  bool swapped = false;
  if (a1 > a2) {
    swapped = true;
    std::swap(a1, a2);
    std::swap(b1, b2);
    caps = SwapCaps(caps);
    dir = kBackward;
  }
  const int step = FixedDiv(b2 - b1, a2 - a1);
  int b = b1 * (1 << 10);
  // Turning back on the previous segment's axis caps the turn.
  if ((s.lastDir ^ kMask) == dir) caps |= swapped ? kCapEnd : kCapBegin;
  CapAdjust(caps, a1, a2, b, step);
  int a = (a1 + 32) >> 6;
  int as = (a2 + 32) >> 6;
  const int round = step > 0 ? 32 : 0;
  if ((caps & kCapBegin) && majorOf(s.lastPixel) == a + 1) a++;
  Pixel last = s.lastPixel;
  const bool drew = a != as;
  if (drew) {
    b += ((a * (1 << 6)) + round - a1) * step >> 6;
    Pixel first = at(a, b >> 16);
    last = at(as - 1, (b + (as - a - 1) * step) >> 16);
    if (swapped) std::swap(first, last);
    const bool axisAligned = std::abs(step) < (1 << 14);
    if (s.lastPixel.x > INT_MIN) {
      const int dMajor = std::abs(majorOf(s.lastPixel) - majorOf(first));
      const int dMinor = std::abs(minorOf(s.lastPixel) - minorOf(first));
      if (dMajor == 0 && dMinor == 0) {
        // The join pixel is drawn once.
        if (swapped) {
          --as;
        } else {
          ++a;
          b += step;
        }
      } else if (s.lastDir != dir &&
                 ((axisAligned && s.lastAxisAligned && dMajor != 0 && dMinor != 0) || dMajor > 1 || dMinor > 1)) {
        // A pixel missing at the join is added.
        if (swapped) {
          ++as;
        } else {
          --a;
          b -= step;
        }
      } else if (s.lastDir == dir && std::abs(s.lastPixel.x - first.x) <= 1 && std::abs(s.lastPixel.y - first.y) > 1) {
        // (In screen x and y, not along the axes, for both directions.)
        b += step >> 1;
        if (swapped)
          last = at(majorOf(last), b >> 16);
        else
          last = at(majorOf(last), (b + (as - a - 1) * step) >> 16);
      }
    }
    s.lastDir = dir;
    s.lastAxisAligned = axisAligned;
    if (!s.tracing) do {
      const Pixel p = at(a, b >> 16);
      s.Put(p.x, p.y);
      b += step;
    } while (++a < as);
  }
  s.lastPixel = last;
  return drew;
}

// Both ends in 26.6. A zero-length segment draws nothing and passes its start on.
bool Segment(Stroke& s, int x1, int y1, int x2, int y2, int caps) {
  if (std::abs(x2 - x1) < std::abs(y2 - y1)) return Segment<true>(s, y1, x1, y2, x2, caps);
  if (x1 == x2) return true;
  return Segment<false>(s, x1, y1, x2, y2, caps);
}

}  // namespace

bool DrawPixelPolyline(const PixelBuffer& buffer, const POINT* points, int count, int dx, int dy,
                       std::uint32_t pixel) {
  if (buffer.bits == nullptr || points == nullptr || count < 2) return false;
  if (buffer.width > kPixelStrokeMaxSide || buffer.height > kPixelStrokeMaxSide) return false;
  const bool closed = points[0].x == points[count - 1].x && points[0].y == points[count - 1].y;
  for (int i = 0; i < count; ++i) {
    // In 64 bits: points far outside must not wrap onto the buffer.
    const long long x = static_cast<long long>(points[i].x) + dx, y = static_cast<long long>(points[i].y) + dy;
    if (x < 0 || x >= buffer.width || y < 0 || y >= buffer.height) return false;
  }
  Stroke s{buffer, pixel};
  int caps = kCapBegin;
  if (closed) {
    // No caps; the first segment joins the closing one as segments join, so
    // the stroke starts from where that one leaves off (traced on its own).
    caps = 0;
    const POINT& before = count > 2 ? points[count - 2] : points[count - 1];
    Stroke closing{buffer, pixel};
    closing.tracing = true;
    Segment(closing, (before.x + dx) * 64, (before.y + dy) * 64, (points[0].x + dx) * 64, (points[0].y + dy) * 64, 0);
    s.lastPixel = closing.lastPixel;
    s.lastDir = closing.lastDir;
    s.lastAxisAligned = closing.lastAxisAligned;
  }
  POINT from = points[0];
  for (int i = 1; i < count; ++i) {
    if (i == count - 1 && !closed) caps |= kCapEnd;
    const POINT& to = points[i];
    if (Segment(s, (from.x + dx) * 64, (from.y + dy) * 64, (to.x + dx) * 64, (to.y + dy) * 64, caps)) from = to;
    caps = 0;
  }
  return true;
}
