// SPDX-License-Identifier: MIT
// Freeing many entries away from the thread the user waits on.
#pragma once

#include "message/msg_item.h"

namespace pelmora {

// Takes the entries of `entries` (left empty) and frees them on a thread of
// its own: a hundred thousand entries of a dozen strings each take longer
// to free than the sort or the check that let go of them.
void FreeInBackground(MsgList& entries);

// Returns once every entry handed over so far is freed.
void WaitForBackgroundFrees();

}  // namespace pelmora
