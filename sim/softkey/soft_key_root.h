#pragma once
// Where the soft keys live and how they are named as readers. The root is read from the
// environment at each call (KQSIM_ROOT, else $XDG_DATA_HOME/kqsim, else ~/.local/share/kqsim), so
// a test process can move between roots. Every subdirectory of the root that holds a key.conf is
// one attached key; keys are readers "ORV ZANTULDCCID 0", "ORV ZANTULDCCID 1", ... in the order
// of their directory names.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

inline constexpr std::string_view kReaderPrefix = "ORV ZANTULDCCID ";
inline constexpr char kKeyConfigName[] = "key.conf";

std::filesystem::path SoftKeyRoot();

// The key directories under root, sorted by name; empty when the root does not exist.
std::vector<std::filesystem::path> ListKeyDirectories(const std::filesystem::path& root);

std::string ReaderName(size_t index);
// The index of a reader name: the exact prefix followed by decimal digits only.
std::optional<size_t> ReaderIndex(std::string_view readerName);

// The key directory a reader name designates under root, if that key is attached.
std::optional<std::filesystem::path> KeyDirectoryForReader(const std::filesystem::path& root,
                                                           std::string_view readerName);

// A key named on a command line: its directory name, its reader index or its reader name.
std::optional<std::filesystem::path> FindKeyDirectory(const std::filesystem::path& root,
                                                      std::string_view name);

}  // namespace kq::sim
