// The interactive nesting command. The nesting itself is not built here: a
// run waits until cancelled, and the operations of its menu are recorded in
// the order they came.
#pragma once

#include "framework/command/GenericCmd.h"

#include <string>
#include <vector>

class CInterPackCmd : public CGenericCmd {
    DECLARE_DYNAMIC(CInterPackCmd)
public:
    CInterPackCmd(int first, LPCTSTR name, UINT id = 0);

    void AddStock() { m_ops.emplace_back("AddStock"); }
    void AddPart() { m_ops.emplace_back("AddPart"); }
    void RemovePart() { m_ops.emplace_back("RemovePart"); }
    // 1 mirrors horizontally, 2 vertically.
    void MirrorPart(int direction) { m_ops.push_back("MirrorPart(" + std::to_string(direction) + ")"); }
    void SetDownPart(int flag) { m_ops.push_back("SetDownPart(" + std::to_string(flag) + ")"); }
    void RotatePart90() { m_ops.emplace_back("RotatePart90"); }
    const std::vector<std::string>& GetOperations() const { return m_ops; }

private:
    std::vector<std::string> m_ops;
};
