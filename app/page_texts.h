// The fixed texts of the main window's pages.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qvk {

inline constexpr std::array<const char*, 7> kPageNames = {
    "弹窗拦截", "程序列表", "残留进程", "监控记录", "设置中心", "使用教程", "更新日志"};

struct ListColumn {
  const char* header;
  int width;
};

inline constexpr std::array<ListColumn, 8> kPopupListColumns = {{
    {"序列", 50}, {"窗口标题", 165}, {"窗口类名", 165}, {"窗口大小", 165},
    {"拦截方式", 165}, {"文件描述", 165}, {"弹窗来源", 165}, {"编号序列", 0},
}};
inline constexpr std::array<ListColumn, 6> kProcessListColumns = {{
    {"序列", 50}, {"主程序名", 200}, {"进程名称", 200}, {"规则文本", 200}, {"文件路径", 380}, {"编号序列", 0},
}};
inline constexpr std::array<ListColumn, 5> kLeftoverListColumns = {{
    {"序列", 50}, {"驻留程序", 200}, {"子进程名", 200}, {"主程序名", 200}, {"文件路径", 380},
}};

inline constexpr std::array<const char*, 4> kSettingLabels = {"开机自启：", "关闭按钮：", "拦截设置：", "软件增强："};

// In the order of the check box ids (是否自启, 是否到托盘, 弹窗拦截, 进程终结, 强制关闭, 强力拦截).
inline constexpr std::array<const char*, 6> kSettingCaptions = {
    " 开机自动运行（Windows 10 系统 请以管理员身份运行此软件，否则将设置失败）",
    " 最小化到托盘（点击关闭按钮，不退出）",
    " 弹窗拦截（软件启动时，自动开启拦截监控）",
    " 进程终结（软件启动时，自动开启进程监控）",
    " 强制关闭 (弹窗无法正常拦截，将强制关闭）",
    " 强力拦截（获取管理员权限，Win8、Win10 建议勾选此项，可拦截无法关闭的弹窗）",
};

inline constexpr const char kTutorialButton1Caption[] = "广告弹窗拦截（视频教程）";
inline constexpr const char kTutorialButton2Caption[] = "关闭残留进程（视频教程）";

// The web pages the two tutorial buttons open.
inline constexpr const char kPopupTutorialUrl[] = "https://qvk.example.org/tutorial/popup-blocking";
inline constexpr const char kProcessTutorialUrl[] = "https://qvk.example.org/tutorial/leftover-processes";

std::string introduction_text();
std::string change_history_text();

}  // namespace qvk
