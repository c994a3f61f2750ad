// The folders an apply emptied: a removal that leaves a folder of nothing behind takes it too.
#pragma once

#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"
#include "platform/text_output.h"

/// Removes each of `folders` (as the report spells them) that is empty now and lies below a
/// `within` folder, then each folder above it that this left empty, up to the `within` folder,
/// which stays; prints a line for each folder removed. A folder that still holds anything, or
/// that lies outside --within or is one of them, stays as it is.
void RemoveEmptiedFolders(TextOutput& console, std::vector<PathString> folders,
                          const std::vector<FileIdentity>& within);
