// The store on the real engine: the template written to disk, the flows' statements run on it,
// and the file read back by independent readers (mdb-json from mdbtools, and mdb-reader). Runs
// from the project's root, where tests/npm holds the reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "jet/jet4.h"
#include "store/jet_connection.h"
#include "store/tests/fakes.h"

namespace qvk {
namespace {

class NullLog : public MonitorLog {
 public:
  void append_log(const std::string&) override {}
};

// Real files in a temporary folder; the program's GBK path is ignored.
class TemporaryFiles : public FakeFiles {
 public:
  std::filesystem::path database;
  std::unique_ptr<RuleConnection> open_database(const std::string&) override {
    return open_jet_connection(database.string());
  }
};

// mdb-json speaks UTF-8, while narrow literals in this program are GBK.
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST(RuleStoreOnJet, FlowsReachTheFileAndAnotherReaderSeesThem) {
  auto folder = std::filesystem::temp_directory_path() / ("qvk-store-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  TemporaryFiles files;
  files.database = folder / "rules.mdb";
  {
    auto bytes = jet4::create_rule_database_template();
    std::ofstream(files.database, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  AppState state;
  state.EditorMode = "添加";
  FakeDesktop desktop;
  NullLog log;
  RuleLists lists;
  FakeDialogs dialogs;
  {
    RuleStore store({state, desktop, log, lists, [] {}}, files, dialogs, [] { return std::vector<std::uint8_t>{}; });
    store.open_rule_database();
    ASSERT_TRUE(store.connected());
    EXPECT_EQ(lists.popup.size(), 0u);

    store.save_popup_rule({"Tom's Updater", "TUpd", "400 x 300", "关闭", "C:\\汤姆\\upd.exe"});
    store.save_popup_rule({"广告", "", "0 x 0", "隐藏", ""});
    ASSERT_EQ(lists.popup.size(), 2u);
    EXPECT_EQ(lists.popup[0].窗口标题, "Tom's Updater");
    EXPECT_EQ(lists.popup[0].弹窗来源, "C:\\汤姆\\upd.exe");
    EXPECT_EQ(lists.popup[0].编号序列, "1");
    EXPECT_EQ(lists.popup[1].编号序列, "2");

    // A value longer than the column's 255 characters is refused and reported.
    store.save_popup_rule({std::string(256, 'x'), "", "0 x 0", "关闭", ""});
    EXPECT_EQ(dialogs.shown.back(), "!添加数据失败");
    EXPECT_EQ(lists.popup.size(), 2u);

    lists.popup.select(0);
    store.delete_selected_rule(RuleList::Popup);
    ASSERT_EQ(lists.popup.size(), 1u);
    EXPECT_EQ(lists.popup[0].编号序列, "2");

    ProcessRuleFields process{"", "main.exe", "助手：helper.exe*更新：upd.exe", ""};
    store.save_process_rule(process);
    ASSERT_EQ(lists.process.size(), 1u);
    EXPECT_EQ(lists.process[0].主程序名, "未知标题");
  }
  // The ids are never reused and an empty text is stored as empty, not NULL.
  std::string popup = run("mdb-json '" + files.database.string() + "' " + utf8(u8"弹窗拦截"));
  EXPECT_NE(popup.find(utf8(u8"\"编号序列\":2")), std::string::npos) << popup;
  // mdb-json leaves empty texts out like NULLs; mdb-reader tells them apart.
  std::string exact = run("node tests/npm/mdb-reader-dump.mjs '" + files.database.string() + "' " + utf8(u8"弹窗拦截"));
  EXPECT_NE(exact.find(utf8(u8"\"窗口类名\":\"\"")), std::string::npos) << exact;
  EXPECT_EQ(popup.find("Tom"), std::string::npos) << popup;
  std::string process = run("mdb-json '" + files.database.string() + "' " + utf8(u8"进程列表"));
  EXPECT_NE(process.find(utf8(u8"助手：helper.exe*更新：upd.exe")), std::string::npos) << process;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qvk
