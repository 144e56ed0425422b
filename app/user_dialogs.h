#pragma once

#include <string>

namespace qvk {

// What the program asks and tells the user: message boxes with caption "信息：", no owner,
// task-modal.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  virtual bool ask(const std::string& question) = 0;  // Yes/No; true on Yes
  virtual void tell(const std::string& message) = 0;  // OK
  virtual void beep() = 0;                             // the default system beep
};

}  // namespace qvk
