#include "geometry/shapes2d/Layer.h"

#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CLayer, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

// The highest layer id handed out or loaded in this process. Not locked:
// layers are created and loaded on one thread.
int gLayerCounter = 0;

}  // namespace

int CLayer::m_nCurrentLayerID = 0;

CLayer::CLayer() : m_nID(++gLayerCounter) {}

CLayer::CLayer(CString name) : m_nID(++gLayerCounter), m_strName(std::move(name)) {}

CLayer::~CLayer() = default;

void CLayer::RaiseLayerCounter(int id)
{
    if (id > gLayerCounter) gLayerCounter = id;
}

void CLayer::SetInVisible()
{
    if (m_nFlags & kVisible) m_nFlags &= ~kVisible;
}

void CLayer::SetLock(int b)
{
    if (b)
        m_nFlags |= kLocked;
    else
        m_nFlags &= ~kLocked;
}

void CLayer::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << static_cast<unsigned int>(m_color) << m_nID << m_nFlags << m_strName;
        return;
    }
    const int drawn = m_nID;
    unsigned int colour = 0;
    ar >> colour >> m_nID >> m_nFlags >> m_strName;
    if (m_nID > kMaxLoadedLayerId) AfxThrowArchiveException(CArchiveException::genericException);
    m_color = colour;
    // The loader's construction drew an id that the record replaces: give it
    // back when no other layer has drawn one since.
    if (drawn == gLayerCounter && drawn != m_nID) --gLayerCounter;
    // Layers made after loading must not reuse a loaded id.
    if (m_nID > gLayerCounter) gLayerCounter = m_nID;
}

namespace geometry::testing {

int GetLayerCounter() { return gLayerCounter; }

void SetLayerCounter(int value) { gLayerCounter = value; }

}  // namespace geometry::testing
