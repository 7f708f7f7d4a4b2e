// A named value stored in documents: two texts and a number. Nothing in the
// system reads them apart from construction and the archive record (schema 12).
#pragma once

#include "platform/core/Object.h"
#include "platform/core/WinString.h"

class CArchive;

class CUserVar : public CObject {
    DECLARE_SERIAL(CUserVar)
public:
    CUserVar();
    ~CUserVar() override;

    void Serialize(CArchive& ar) override;

    CString m_strName;
    CString m_strValue;
    double m_dValue = 0.0;
};
