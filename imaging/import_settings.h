#pragma once

#include "import_options.h"

class QSettings;

// The last import's choices live in a group of their own in the settings
// store, apart from the printer settings. Values out of range fall back to
// the defaults.
ImportOptions LoadImportOptions(QSettings& store);
void SaveImportOptions(QSettings& store, const ImportOptions& options);
