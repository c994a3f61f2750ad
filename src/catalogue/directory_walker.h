// The depth-first walk of one search root into the catalogue.
#pragma once

#include "catalogue/size_catalogue.h"
#include "platform/path_text.h"
#include "platform/text_output.h"

/// Records every regular file below `root`, depth first in listing order: everything below a
/// subdirectory is recorded before its parent's later entries. Counts every directory it tries to
/// list, and prints the progress and failure lines on `console`. The depth of the tree costs
/// neither call stack nor open directory handles.
void ScanDirectory(const PathString& root, FileCatalogue& catalogue, TextOutput& console);
