// Resources of the tip-of-the-day dialog: its template, the tip texts, the
// title picture and the tip pictures (several tips may share a picture).
#pragma once

namespace korvel {

// Idempotent.
void RegisterTipResources();

}  // namespace korvel
