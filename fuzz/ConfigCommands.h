// The program's commands that keep settings in the command configuration
// file, registered with a hub as the program registers them.
#pragma once

#include "app/ExportCmd.h"
#include "app/ImportCmd.h"
#include "app/KorvelIds.h"
#include "framework/relayon/Relayon.h"

namespace fuzz {

inline void RegisterConfigCommands(CRelayon& hub)
{
    auto* import = new CImportCmd(1, nullptr);
    import->SetID(korvel::ID_FILE_IMPORT);
    hub.RegAppCmd(import);
    auto* exporter = new CExportCmd(1, nullptr);
    exporter->SetID(korvel::ID_FILE_EXPORT);
    hub.RegAppCmd(exporter);
}

}  // namespace fuzz
