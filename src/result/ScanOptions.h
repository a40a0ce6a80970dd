// The search settings that are not about where to search: which signature categories take
// part, and what automatic processing does to every hit (mode, rename rule, move folder).
// The settings form shows and edits this model; the result model calls AutoProcessFile for
// every hit; a search start copies the category checks into the store.
//
// Settings: "General" FileOpe, RuleOfRename, MoveFolder, and "DB" C0.. (category names,
// provided by the installation and never written) with CS0.. (their checks, 1 = checked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "result/AutoProcessor.h"
#include "result/HitIdentity.h"
#include "result/ProcessPreview.h"
#include "result/ProcessResult.h"
#include "settings/AppFiles.h"
#include "settings/ProfileFile.h"

class InvalFileDB;

class ScanOptions {
 public:
  static constexpr size_t kMaxCategories = 256;

  int32_t Mode() const { return mode_; }
  // A value outside 0..3 becomes 0 (leave every hit alone).
  void SetMode(int32_t mode) { mode_ = IsValidProcessMode(mode) ? mode : kModeLeave; }
  const std::string& Rule() const { return rule_; }
  void SetRule(std::string rule) { rule_ = std::move(rule); }
  const std::string& MoveFolder() const { return moveFolder_; }
  void SetMoveFolder(std::string folder) { moveFolder_ = std::move(folder); }

  // The categories offered for checking, in settings order, unique, at most 256.
  const std::vector<std::string>& Categories() const { return categories_; }
  // One byte per category: 1 checked, 0 unchecked.
  const std::vector<uint8_t>& Checks() const { return checks_; }
  bool IsChecked(size_t index) const { return index < checks_.size() && checks_[index] == 1; }
  // Ignored for an index without a category.
  void SetChecked(size_t index, bool checked);

  // Reads every setting. A stored mode outside 0..3 is read as 0. Categories are read from
  // C0 on up to the first empty name or the first name already read.
  void LoadSettings(const ProfileFile& settings = SettingsFile());
  // Writes the mode, rule, move folder and one CS key per category; false when a write
  // failed (the remaining keys are still written).
  bool SaveSettings(const ProfileFile& settings = SettingsFile()) const;

  // Sets the search flag of every listed category the store has to its check; the store's
  // other categories keep their flags.
  void ApplyCategoryChecks(InvalFileDB& store) const;

  // Called before a file is deleted, renamed or moved: the engine closes its handle on it.
  void SetCloseFileHook(std::function<void()> hook) { closeFileHook_ = std::move(hook); }
  // Asked on every hit while the engine still has the file open: which file the search
  // read and which folder it listed (CScanEngine::OpenTargetIdentity), so that processing
  // refuses any other. Without one the application's engine is asked, when there is one.
  using IdentityHook = HitIdentityHook;
  void SetHitIdentityHook(IdentityHook hook) { identityHook_ = std::move(hook); }
  // The folders a search must not walk: the move folder while hits are moved, so that a
  // moved file is not met again as a second hit. The engine takes them after Prepare.
  std::vector<std::string> FoldersNotSearched() const {
    if (mode_ != kModeMove || moveFolder_.empty()) return {};
    return {moveFolder_};
  }
  // Told of every file that was deleted, renamed or moved, right after (the run's journal).
  void SetProcessedHook(std::function<void(const ProcessedFile&)> hook) { processedHook_ = std::move(hook); }
  // Processes a detected file by the current mode, rule and move folder.
  ProcessResult AutoProcessFile(const std::string& path) const;
  // A dry run: AutoProcessFile touches no file and says what it would do
  // (ProcessPreview.h). Setting it starts a new rehearsal.
  void SetDryRun(bool on) { preview_ = on ? std::make_shared<ProcessPreview>() : nullptr; }
  bool DryRun() const { return preview_ != nullptr; }

 private:
  int32_t mode_ = kModeLeave;
  std::string rule_;
  std::string moveFolder_;
  std::vector<std::string> categories_;
  std::vector<uint8_t> checks_;
  std::function<void()> closeFileHook_;
  IdentityHook identityHook_;
  std::function<void(const ProcessedFile&)> processedHook_;
  std::shared_ptr<ProcessPreview> preview_;
};
