#pragma once
// Inputs that several commands take: data as text, hex, a file or a bank transaction message,
// and the key family flag.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"

namespace kq::cli {

// The options that name data: --data TEXT, --data-hex HEX, --data-file FILE and
// --transaction "FIRST|SECOND|THIRD".
extern const OptionSpec kDataOptions[4];

// Exactly one of the data options must be given; `error` tells what is wrong otherwise.
std::optional<std::vector<uint8_t>> ReadData(const Arguments& args, std::string& error);

// A bank transaction message: "02", the length 4 and the 4-byte first field, "01" with the
// second field, "00" with the third, each length as 16 decimal digits. The first field must be
// exactly 4 bytes.
std::optional<std::string> TransactionMessage(std::string_view first, std::string_view second,
                                              std::string_view third);
// The same from "FIRST|SECOND|THIRD".
std::optional<std::string> TransactionMessage(std::string_view fields);

// The lines of a UTF-8 text file named by an option (--record-file, --subject-file), without
// blank lines, a byte-order mark or line ends (LF or CRLF). nullopt with `error` when the file
// cannot be read or a line is not valid UTF-8 (a usage error: nothing goes to the key).
std::optional<std::vector<std::string>> ReadTextLines(const Arguments& args,
                                                      std::string_view option, std::string& error);

// --family 73 or 72 as the flag byte of KQ_GetListNum and KQ_GetMediaID (73 by default).
bool FamilyFlag(const Arguments& args, uint8_t& flag, std::string& error);

}  // namespace kq::cli
