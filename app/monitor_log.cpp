#include "app/monitor_log.h"

#include "app/time_text.h"

namespace qvk {

namespace {
constexpr std::string_view kEntryStart = "\r\n\r\n ";
}

std::string log_line(std::string_view time, std::string_view action, std::string_view value) {
  std::string line(kEntryStart);
  line += time;
  line += action;
  line += value;
  return line;
}

std::size_t log_bytes_to_drop(std::string_view current, std::size_t incoming, std::size_t capacity) {
  if (current.size() + incoming <= capacity) return 0;
  if (incoming >= capacity) return current.size();
  std::size_t must_drop = current.size() + incoming - capacity;
  // The first entry starts at 0; cut at the start of the first entry after the excess.
  std::size_t cut = current.find(kEntryStart, must_drop);
  return cut == std::string_view::npos ? current.size() : cut;
}

void log_action(MonitorLog& log, std::string_view action, std::string_view value) {
  log.append_log(log_line(log_time_text(), action, value));
}

}  // namespace qvk
