// One opened scanner of the scanner library: its mode and resolution options,
// starting a scan and reading the frame into a packed bitmap.
#pragma once

#include "platform/scan/DibFrame.h"

#include <sane/sane.h>

#include <optional>
#include <string>
#include <vector>

namespace twainsane {

class SaneDevice {
public:
    // Null handle: opening failed.
    explicit SaneDevice(const std::string& name);
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    bool IsOpen() const { return m_handle != nullptr; }

    // Scan modes the device offers, and the current one.
    std::vector<std::string> Modes() const;
    std::string Mode() const;
    bool SetMode(const std::string& mode);
    // Resolution range in dots per inch (min, max; equal when fixed) and value.
    std::pair<int, int> ResolutionRange() const;
    int Resolution() const;
    bool SetResolution(int dpi);

    // Starts the scan when none runs and reads its parameters.
    bool Start();
    bool IsScanning() const { return m_bScanning; }
    const SANE_Parameters& Parameters() const { return m_params; }
    // Reads the started frame to its end; nothing on a read error or a frame
    // kind other than one-pass grey or colour. Cancel is called in any case.
    std::optional<std::vector<std::uint8_t>> ReadDib();
    void Cancel();

private:
    int FindOption(const char* name) const;

    SANE_Handle m_handle = nullptr;
    SANE_Parameters m_params{};
    bool m_bScanning = false;
};

}  // namespace twainsane
