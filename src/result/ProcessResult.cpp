#include "result/ProcessResult.h"

namespace {

// Indexed by ProcessResult; the bytes a log file holds.
constexpr std::string_view kResultTexts[] = {
    "\x96\xA2\x8F\x88\x97\x9D",  // 未処理
    "\x8D\xED\x8F\x9C",          // 削除
    "\xD8\xC8\xB0\xD1",          // ﾘﾈｰﾑ
    "\x88\xDA\x93\xAE",          // 移動
    "\x8E\xB8\x94\x73",          // 失敗
};

}  // namespace

std::string_view ProcessResultText(int32_t result) {
  if (result < kResultUnprocessed || result > kResultFailed) return {};
  return kResultTexts[result];
}
