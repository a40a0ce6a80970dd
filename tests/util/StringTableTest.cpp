#include "util/StringTable.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace {

// The wording in UTF-8, converted here by the platform's own CP932 table: a second,
// independent route to the bytes the table holds.
TEST(StringTableTest, EveryNumberHoldsItsCp932Bytes) {
  struct { int id; const char* utf8; } cases[] = {
      {128, "Vorlet"},
      {129, "不正ﾌｧｲﾙ検索登録の為のﾌｫﾙﾀﾞ指定"},
      {130, "ネットワーク接続または、ドライブメディアが準備されていません。"},
      {131, "メモリ不足により、アプリケーションが不安定です。他のアプリケーションを終了またはWindowsを再起動してメモリを確保してご使用下さい。"},
      {132, "ディスクエラー：設定項目を環境ファイルに保管できません。"},
      {133, "名称が指定されていません"},
      {134, "同一分類内に重複する名称が既に登録されています。別名を指定してください。"},
      {135, "検索終了"},
      {136, "検索を中止しました"},
      {137, "検索フォルダの追加"},
      {138, "検索登録終了"},
      {139, "検索登録を中止しました"},
      {140, "自動ログ保存フォルダ"},
      {141, "自動ログフォルダの指定に誤りがあります。このままログ記録なしで検索しますか？"},
      {142, "自動処理 ファイル移動先フォルダ"},
      {143, "既に同一名のファイルが存在します。別名を指定してください。"},
      {144, "指定された不正ﾌｧｲﾙを削除しますか？"},
      {145, "処理に失敗しました。他のﾌﾟﾛｾｽが使用中または、ﾌｧｲﾙが存在しているか確認して下さい。"},
      {146, "設定ファイルを読めません。既定の設定で動作します。"},
      {57344, "Vorlet"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadString(c.id), platform::Utf8ToCp932(c.utf8)) << c.id;
  EXPECT_EQ(std::string(kMessageFormCreationFailed), platform::Utf8ToCp932("ﾒﾓﾘｰ不足等で、処理を中断しました。"));
  // Half-width katakana are single bytes.
  EXPECT_EQ(StringTable::Get(kStrRegisterFolderTitle).substr(4, 4), "\xCC\xA7\xB2\xD9");
  EXPECT_TRUE(StringTable::Get(147).empty());
}

}  // namespace
