// POSIX only: the folder of the file reached last, held open while a run reads the files its walk
// listed, so that the next file of that folder is looked up by its last name alone. The kernel
// then walks the root's path once a folder, not once a file: the files of a folder come one after
// another to the fingerprints (their jobs go folder by folder) and to the check of each whole
// digest (its records go in the walk's order). A warm run's processor time (user+sys, medians of
// runs in turn with the build before, on a machine shared with other builds): the 40,000
// look-alikes 0.52 s before, 0.50 after; the 200,000 look-alikes 2.51 s, 2.40; many-small
// 1.63 s, 1.52. On many-small (about 20 files a folder) the folders add 5,768 opens and as many
// closes to 485,950 calls, and still pay; on /usr/share, whose folders hold fewer files, they
// cost about what they give (0.78 s, 0.76 before).
#pragma once

struct NameInFolder {
  int folder;        ///< the held folder's descriptor, or AT_FDCWD
  const char* name;  ///< the name in it, or the whole path
};

/// Where `path` is looked up from: the folder it names, held open (opened now unless held
/// already), and its last name; or the working folder and the whole path, while folders are not
/// held or where the folder will not open as one (a link put in its place, a root that is a link,
/// no descriptor to spare). The folder held before is let go, and stays open until
/// CloseFoldersLetGo: requests made through it may still wait.
NameInFolder HoldFolderOf(const char* path);

/// Closes the folders let go of, once nothing waits that names them.
void CloseFoldersLetGo();

/// Closes the held folder: its descriptor is wanted, or the run that read through it is over.
/// Returns whether one was held.
bool LetHeldFolderGo();

/// Folders are held only while `hold`: while every file reached is checked against the one the
/// walk listed (SetListedFileLookup), since a folder held may have been renamed or swapped since
/// it was opened, where its path would now lead elsewhere. Turned off, the held folder goes.
void HoldFolders(bool hold);
