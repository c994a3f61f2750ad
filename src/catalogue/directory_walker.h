// The depth-first walk of one search root into the catalogue.
#pragma once

#include "catalogue/size_catalogue.h"
#include "platform/path_text.h"
#include "platform/text_output.h"

/// Records every regular file below the root the user typed, depth first in listing order:
/// everything below a subdirectory is recorded before its parent's later entries. Counts every
/// directory it tries to list, and prints the progress and failure lines on `console`. Links are
/// never followed below the root, and a folder that is its own ancestor is not entered again.
/// The depth of the tree costs neither call stack nor open directory handles. False, with the
/// walk stopped, when a folder could not be listed for want of a file descriptor: the walk holds
/// no other, so no result could be had.
bool ScanDirectory(const PathString& root, FileCatalogue& catalogue, TextOutput& console);
