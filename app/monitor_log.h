// The log page: every action of the monitors and every command leaves one time-stamped entry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qvk {

// "\r\n\r\n " + time + action + value: each entry is separated from the one before by an
// empty line. Actions begin with five spaces.
std::string log_line(std::string_view time, std::string_view action, std::string_view value = {});

// The box keeps at most `capacity` bytes. Returns how many leading bytes to drop before `incoming`
// more bytes are appended: whole oldest entries (an entry starts at "\r\n\r\n "), or everything
// when one entry alone is too big.
std::size_t log_bytes_to_drop(std::string_view current, std::size_t incoming, std::size_t capacity);

// Where the log's lines go; the main window's edit box in the program.
class MonitorLog {
 public:
  virtual ~MonitorLog() = default;
  virtual void append_log(const std::string& line) = 0;
};

// Builds the line with the current time and appends it.
void log_action(MonitorLog& log, std::string_view action, std::string_view value = {});

}  // namespace qvk
