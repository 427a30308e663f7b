#include "platform/ui_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include <string>
#include "platform/posix/own_file.h"

namespace kq::platform {

void WriteUiLogLine(std::string_view line) {
  std::string record(line);
  record.push_back('\n');
  // The file is opened for each line so a test can move or truncate it between operations; a
  // single append-mode write keeps lines whole across processes. A link or another user's file at
  // the name (in a shared folder) is not written: the line goes to standard error then.
  const char* path = std::getenv("KQCSP_UI_LOG");
  int fd = STDERR_FILENO;
  bool owned = false;
  if (path != nullptr && *path != '\0') {
    const int opened = OpenOwnFileForWriting(path, O_APPEND);
    if (opened >= 0) {
      fd = opened;
      owned = true;
    }
  }
  (void)WriteAll(fd, record.data(), record.size());
  if (owned) {
    close(fd);
  }
}

}  // namespace kq::platform
