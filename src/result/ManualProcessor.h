// Processing one hit by hand after a search: delete it after the user confirms, or rename
// or move it to a full path the user picks in a save dialog (rename and move are the same
// operation, a path anywhere). A taken target name is refused and the user asked again;
// nothing is ever replaced. Every question and failure goes through message boxes by
// number. The hit itself, its recorded result and the counters are not touched here; what
// was done is told through done (may be null), filled when the file was deleted or moved.
//
// The hit is acted on as automatic processing acts on it (OpenHit): through a handle on
// its folder reached without following a link swapped in since the search, and only while
// its name still holds the file the search fingerprinted (hit, as recorded with it);
// anything else fails like a missing file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "result/AutoProcessor.h"
#include "result/HitIdentity.h"

// The choices of the manual processing dialog.
enum ManualOperation : int32_t { kManualDelete = 0, kManualRename = 1, kManualMove = 2 };

// Asks the user for a target path, starting at initialPath; empty when cancelled.
using ChooseTarget = std::function<std::string(const std::string& initialPath)>;

// Message 144 (Yes/No); on Yes the file is deleted, message 145 when that fails. True when
// the file was deleted.
bool DeleteByHand(const std::string& path, const HitIdentity& hit, ProcessedFile* done = nullptr);

// Asks for a target until the chosen path is free (message 143 for a taken one; the next
// question starts at path again), then moves the file there without replacing anything,
// across file systems if needed; message 145 when that fails. True when the file was moved.
bool MoveByHand(const std::string& path, const HitIdentity& hit, const ChooseTarget& chooseTarget,
                ProcessedFile* done = nullptr);

// The operation the dialog returned; an unknown one does nothing.
bool ProcessByHand(int32_t operation, const std::string& path, const HitIdentity& hit,
                   const ChooseTarget& chooseTarget, ProcessedFile* done = nullptr);
