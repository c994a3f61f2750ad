// The working folder as a relative path from another folder: how a page written elsewhere finds
// the files that the report names by relative paths. dupscan itself never links this.
#pragma once

#include "platform/path_text.h"

/// The working folder seen from the folder that holds `file`: names joined by "/", with a "/"
/// after the last, or empty when they are one folder. False where no relative path leads there
/// (another drive) or the system cannot say where the working folder is.
bool WorkingFolderFrom(const PathString& file, PathString* relative);
