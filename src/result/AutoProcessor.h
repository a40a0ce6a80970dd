// Automatic processing of one detected file during a search: leave it, delete it, rename it
// in its folder by the rename rule, or move it into the move folder. A rename or move never
// replaces an existing file, and crosses file systems when it has to. Nothing is shown to
// the user; a failed operation is only reported as its result.
//
// A target that would leave the hit's folder (a rename rule giving an empty name, ".",
// ".." or a name with a separator) or land in the root because no move folder was set is
// refused as a failure, and the file is left untouched.
//
// The searched tree may change between the search and the action, by accident or by
// design. So every action goes through a handle on the hit's folder, opened by walking
// its path without following links, and acts by name relative to it; and when the search
// says which file it fingerprinted and which folder it listed, a file or folder that is no
// longer that one is refused (result 4) rather than deleted, renamed or moved in its place.
// Processing by hand (ManualProcessor.h) opens the hit the same way (OpenHit).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/FileStamp.h"
#include "platform/FileSystem.h"
#include "result/HitIdentity.h"
#include "result/ProcessResult.h"
#include "util/CDFile.h"

namespace platform {
class FolderHandle;
}

// What a delete, rename or move did to a file, for a record from which the run can be
// taken back: where the file was, where it went (empty after a delete) and the state of
// the entry there just after (a link itself, not its target; stampKnown false when it
// could not be read).
struct ProcessedFile {
  ProcessResult result = kResultUnprocessed;
  std::string oldPath;
  std::string newPath;
  platform::FileStamp stamp;
  bool stampKnown = false;
};

// The hit at path, opened for an action by name: *folder on its folder, walked without
// following links (through a link only when the folder reached is the one the search
// listed), *name its name there, still the file the search fingerprinted. False when the
// path has no name, the folder is not the one listed or the file is another.
bool OpenHit(const std::string& path, const HitIdentity& hit, platform::FolderHandle* folder, std::string* name);

// folder + name, with a separator between them unless the folder already ends with one;
// the name alone for an empty folder.
std::string JoinFolderAndName(std::string_view folder, std::string_view name, PathStyle style = kNativePathStyle);

// The name a rename by the rule gives the file; empty when the new name is not usable.
std::string RenameTargetName(const CDFile& file, std::string_view rule);
// The path a rename by the rule gives the file; empty when the new name is not usable.
std::string RenameTarget(const CDFile& file, std::string_view rule);
// The path a move into moveFolder gives the file; empty when no move folder is set.
std::string MoveTarget(const CDFile& file, std::string_view moveFolder);

// Carries out mode (ProcessMode; a value outside 0..3 leaves the file alone) on the file at
// path. closeEngineFile (may be empty) is called before the file is deleted, renamed or
// moved, so the engine holds no descriptor on it. hit: what the search knew of the file.
// done (may be null) is filled when the file was deleted, renamed or moved.
ProcessResult AutoProcessFile(const std::string& path, int32_t mode, std::string_view rule,
                              std::string_view moveFolder, const std::function<void()>& closeEngineFile,
                              const HitIdentity& hit = HitIdentity{}, ProcessedFile* done = nullptr);
