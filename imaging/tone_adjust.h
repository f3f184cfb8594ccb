#pragma once

#include "grey_image.h"
#include "import_options.h"

// Applies gamma, brightness, contrast and invert, in this order, to every
// level, keeping 0 to 255. Neutral options leave the plane as it was.
void AdjustTone(GreyPlane& plane, const ImportOptions& options);
