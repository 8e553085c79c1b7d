// What changed on a disk while the program was closed: a fresh walk of a drive
// compared with the rows its index file held, as the changes the live index
// applies, so that the tree and the selection follow them as they follow
// changes the watch reports.
#pragma once

#include <vector>

#include "index/LiveUpdate.h"
#include "index/Rows.h"

namespace tarvolo {

// The changes that turn `known` into `walked`, both rows of one drive in tree
// order (a walk's, or EnsureTreeOrder's): first a removal of each directory
// the walk did not find, topmost only (its subtree goes with it), then an
// addition of each directory the rows lack, topmost only, with the walk's
// subtree below it. Names are matched byte for byte under the same parent, so
// a directory renamed only in letter case leaves and comes back. A walk whose
// root row is not "\" (it failed) changes nothing. `cancel` (may be null) stops
// the comparison: nothing is returned then.
std::vector<ResolvedChange> WalkDifference(const RowStore& known, const RowStore& walked,
                                           const std::atomic<bool>* cancel = nullptr);

}  // namespace tarvolo
