#include "result/ScanOptions.h"


#include "db/InvalFileDB.h"
#include "result/AutoProcessor.h"
#include "settings/NumberedTexts.h"

namespace {

const char kGeneral[] = "General";
const char kDb[] = "DB";

}  // namespace

void ScanOptions::SetChecked(size_t index, bool checked) {
  if (index < checks_.size()) checks_[index] = checked ? 1 : 0;
}

void ScanOptions::LoadSettings(const ProfileFile& settings) {
  SetMode(settings.GetSettingInt(kGeneral, "FileOpe", kModeLeave));
  rule_ = settings.GetSettingText(kGeneral, "RuleOfRename");
  moveFolder_ = settings.GetSettingText(kGeneral, "MoveFolder");

  categories_ = ReadNumberedTexts(settings, kDb, "C", kMaxCategories, RepeatedText::kStop);
  checks_.assign(categories_.size(), 0);
  for (size_t j = 0; j < categories_.size(); ++j) {
    checks_[j] = settings.GetSettingInt(kDb, NumberedKey("CS", j), 1) == 1 ? 1 : 0;
  }
}

bool ScanOptions::SaveSettings(const ProfileFile& settings) const {
  bool ok = settings.PutSettingInt(kGeneral, "FileOpe", mode_);
  ok = settings.PutSettingText(kGeneral, "RuleOfRename", rule_) && ok;
  ok = settings.PutSettingText(kGeneral, "MoveFolder", moveFolder_) && ok;
  for (size_t i = 0; i < checks_.size(); ++i) {
    ok = settings.PutSettingInt(kDb, NumberedKey("CS", i), checks_[i] == 1 ? 1 : 0) && ok;
  }
  return ok;
}

void ScanOptions::ApplyCategoryChecks(InvalFileDB& store) const {
  for (size_t i = 0; i < categories_.size() && i < checks_.size(); ++i) {
    if (InvalFileCategory* category = store.FindCategory(categories_[i])) category->SetSearchFlag(checks_[i] == 1);
  }
}

ProcessResult ScanOptions::AutoProcessFile(const std::string& path) const {
  if (preview_) return preview_->Predict(path, mode_, rule_, moveFolder_);
  HitIdentity hit;
  if (mode_ != kModeLeave) hit = AskHitIdentity(identityHook_);
  if (!processedHook_) return ::AutoProcessFile(path, mode_, rule_, moveFolder_, closeFileHook_, hit);
  ProcessedFile done;
  const ProcessResult result = ::AutoProcessFile(path, mode_, rule_, moveFolder_, closeFileHook_, hit, &done);
  if (result >= kResultDeleted && result <= kResultMoved) processedHook_(done);
  return result;
}
