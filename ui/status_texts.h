// The status bar's words for what the collection is doing.
#pragma once

#include <QString>

#include "collect/collection_progress.h"

namespace talvec {

QString ProgressText(const CollectionProgress& progress);

}  // namespace talvec
