// Why an action on a copy was skipped, as apply and undo print it after the copy's name: part of
// dupscan-tidy's texts (tidy_texts.h), kept apart for their number.
#pragma once

constexpr char kKeptChanged[] = "the kept file changed or is gone";
/// The kept file is there as the check found it, but the system would not open it (permissions).
constexpr char kKeptUnopenable[] = "the kept file is there but cannot be opened for reading";
constexpr char kCopyUnopenable[] = "it is there but cannot be opened for reading";
constexpr char kCopyChanged[] = "changed since the report was checked";
constexpr char kDiffersFromKept[] = "its bytes differ from the kept file's";
constexpr char kFolderUnreachable[] = "its folder cannot be reached";
constexpr char kReadOnlyCopy[] = "it is read-only";
constexpr char kWrittenJustNow[] = "written too recently to be compared; run apply again";
constexpr char kOpenForWriting[] = "open for writing by another program";
/// Only a file's owner may ask Linux whether another program has it open for writing.
constexpr char kWritersUnknown[] =
    "not this user's own: whether another program has it open for writing cannot be told";
constexpr char kOtherOwner[] = "owned by another user than the kept file";
constexpr char kAllSetAside[] =
    "every copy lies in a holding folder an earlier move set copies aside in";
constexpr char kOtherAccess[] =
    "its group, permissions or access list differ from the kept file's; a link would change who "
    "may read or write it";
constexpr char kOtherAttributes[] =
    "its extended attributes (file capabilities among them) differ from the kept file's; a link "
    "would give it the kept file's";
constexpr char kKeptMoreWritable[] =
    "users who may not change it may write the kept file or replace it in its folder";
constexpr char kFolderMoved[] = "a folder of its path is no longer where the check found it";
constexpr char kAnotherFileSystem[] = "on another file system: nothing is copied across";
constexpr char kCannotClone[] = "the file system cannot make reflinks";
constexpr char kHoldingTaken[] = "the holding folder already has that name";
constexpr char kHoldingFolderIsFile[] =
    "the holding folder has a file where the folder to move it into belongs";
constexpr char kHoldingFolderNotOwn[] =
    "the holding folder's folder to move it into belongs to another user, or others may write it";
constexpr char kSystemRefused[] = "the system refused";
constexpr char kNotTheMovedFile[] = "no longer the file that was moved";
constexpr char kOriginalTaken[] = "its old name is taken";
constexpr char kNotInHolding[] = "not under the holding folder named by --holding";
constexpr char kNotASpareName[] = "the journal names no file that apply set aside";
