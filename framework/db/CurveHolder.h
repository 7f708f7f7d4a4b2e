// What the curve entities share about the one curve each of them owns.
#pragma once

#include "platform/core/Archive.h"
#include "platform/core/OwnedListArchive.h"
#include "platform/core/WinTypes.h"

namespace dbcurve {

// Deletes the held curve and holds curve instead (nothing when they are the same).
template <class Curve>
void Replace(Curve*& held, Curve* curve)
{
    if (curve == held) return;
    delete held;
    held = curve;
}

// The curve as an object record (null allowed). Loading takes only a curve its
// own record created, never a reference to an object read earlier (another
// entity's curve, or the entity itself), and replaces the held one.
template <class Curve>
void Serialize(CArchive& ar, Curve*& held)
{
    if (ar.IsStoring()) {
        ar << static_cast<const CObject*>(held);
        return;
    }
    Replace(held, archive::ReadOwnedObject<Curve>(ar));
}

// A copy of the held curve in copy (null for none); false when the held curve
// could not copy itself.
template <class Curve>
bool CopyOf(Curve* held, Curve*& copy)
{
    copy = held != nullptr ? dynamic_cast<Curve*>(held->Copy()) : nullptr;
    return held == nullptr || copy != nullptr;
}

// Sets the OpenGL current colour for the life of the guard.
class GLColour {
public:
    explicit GLColour(COLORREF colour);
    ~GLColour();
    GLColour(const GLColour&) = delete;
    GLColour& operator=(const GLColour&) = delete;
};

}  // namespace dbcurve
