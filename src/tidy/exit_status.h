// dupscan-tidy's exit statuses: the driver returns them, and apply and undo decide theirs.
#pragma once

constexpr int kExitDone = 0;
/// apply or undo left something planned undone; check found groups.
constexpr int kExitNotAll = 1;
/// The command could not run: bad options, an unreadable report, no journal. Not 1, which
/// check gives a report that holds groups.
constexpr int kExitTrouble = 2;
