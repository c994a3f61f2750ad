// undo: what apply moved into a holding folder goes back to where it was, and a copy an
// interrupted apply had set aside gets its name back.
#pragma once

#include <vector>

#include "platform/file_identity.h"
#include "platform/text_output.h"

/// Reads the journal and, newest first, moves back every file that is still where a move put it
/// (the same file: identity and size as recorded) to its old name, when that name is free and
/// under one of `within`. Returns the exit status.
int UndoMoves(TextOutput& console, const std::vector<FileIdentity>& within);
