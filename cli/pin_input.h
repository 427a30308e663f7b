#pragma once
// PINs for the commands that hand one to the key (change-pin, the csp step set-pin). A PIN never
// comes from the command line, where every local user can read it (/proc/<pid>/cmdline) and the
// shell keeps it in its history. It is typed with echo off when standard input is a terminal;
// otherwise it is read one PIN per line from standard input, from the file descriptor named by
// --pin-fd N or from the file named by --pin-file FILE.

#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "common/secret.h"

namespace kq::cli {

// --pin-fd N and --pin-file FILE.
inline constexpr OptionSpec kPinFdOption{"pin-fd"};
inline constexpr OptionSpec kPinFileOption{"pin-file"};

// The usage error for a PIN given as a value of `option` (empty when it was not given), saying
// how to give it instead.
std::string RefusePinOnCommandLine(const Arguments& args, std::string_view option);

// The next PIN from the source the arguments name, asking with `prompt` on a terminal. Each call
// takes the next line of the same source, also across the steps of one csp script. Nothing, with
// `error` set (a usage error: nothing goes to the key), when the source cannot be read, ends or
// gives an empty or overlong line.
std::optional<SecretString> ReadPin(const Arguments& args, std::string_view prompt,
                                    std::string& error);

// The platform's side: a file opened for reading, its bytes, and closing it (-1: not opened).
int OpenPinFile(const std::string& path);
long ReadPinBytes(int fd, char* buffer, unsigned size);
void ClosePinFile(int fd);

}  // namespace kq::cli
