// The spare names an interrupted step leaves beside its copy: the copy set aside by a removal or
// a link, or the new link of the kept file that was to take the copy's name. undo settles them,
// and so does the next apply before it checks the report, each saying what it did.
#pragma once

#include <vector>

#include "platform/file_identity.h"
#include "platform/text_output.h"
#include "tidy/act/journal.h"

struct SpareTotals {
  long long settled = 0;  ///< given back their names, or removed
  long long left = 0;     ///< named with why they stay
  bool journalFailed = false;
};

/// For each step of `lines` that began and never finished, looks at its spare names in the
/// copy's folder (when that folder is under `within`): the copy set aside gets its name back when
/// the name is free or holds another name of the kept file (which then goes); a spare that is
/// another name of the kept file or of the file under the copy's name, or holds that file's
/// bytes, is removed; any other stays, with a line that says why. Each change is in `journal`
/// first. A line for each spare found.
SpareTotals SettleSpares(TextOutput& console, const std::vector<JournalLine>& lines,
                         const std::vector<FileIdentity>& within, Journal& journal);

/// apply's look before it checks the report: the journal's spares settled, in the journal's own
/// run. False, with its line printed, when the journal could not be read or written; true when
/// there is none yet. `*left` gets the spares that stay.
bool SettleSparesBeforeApply(TextOutput& console, const std::vector<FileIdentity>& within,
                             long long* left);
