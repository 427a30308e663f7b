#pragma once
// Lists in the exports' texts: items joined by a separator ("||" for requests, certificates and
// subjects, "|" for media ids).

#include <string>
#include <string_view>
#include <vector>

namespace kq::cli {

std::vector<std::string> SplitList(std::string_view text, std::string_view separator);
std::string JoinList(const std::vector<std::string>& items, std::string_view separator);

}  // namespace kq::cli
