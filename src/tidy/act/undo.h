// undo: what apply moved into a holding folder goes back to where it was, and a copy an
// interrupted apply had set aside gets its name back.
#pragma once

#include <vector>

#include "platform/file_identity.h"
#include "platform/held_folder.h"
#include "platform/text_output.h"

/// Reads the journal and, newest first, moves back every file that is still where a move put it
/// (the same file: identity and size as recorded) to its old name, when that name is free and
/// under one of `within`. A moved file is taken back only from under `holding` (the holding
/// folder the user named; null when none was), and a set-aside copy only from a spare name in
/// its own folder: the journal lies in the working folder, where others may write. Returns the
/// exit status.
int UndoMoves(TextOutput& console, const std::vector<FileIdentity>& within,
              const HeldFolder* holding);
