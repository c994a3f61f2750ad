// Windows only: whether an open file or folder is the entry it was opened by. Wine opens a Linux
// link as the file or folder it leads to, whatever the flags, and lists a link to a file as a
// plain file; only the name the system keeps for the open handle tells the two apart.
#pragma once

#include <windows.h>

#include "platform/path_text.h"

/// The name the system keeps for the open `handle`, from its volume's root ("\t\w\a"; "\" for
/// the root itself). Empty where the file system keeps none.
PathString HandleName(HANDLE handle);

/// Whether `handleName` (see HandleName) is the name of the entry `name` in the folder whose
/// handle name is `folderName`: of a link there, it is the name of what the link leads to.
/// `entryPath`, the entry's full path, is listed only when the last names differ, as an 8.3 name
/// and the long one do. True when the folder has no name, since the file system keeps none.
bool IsNamedEntry(const PathString& handleName, const PathString& folderName,
                  const PathString& entryPath, const PathString& name);
