#pragma once
// The three language tables of the message catalogue (ids 0 to 40). Used by the catalogue only.

#include <cstddef>
#include <span>
#include <string_view>

namespace kq::ui::detail {

inline constexpr size_t kMessageCount = 41;

enum class CatalogueTable { kSimplifiedChinese, kTraditionalChinese, kEnglish };

std::span<const std::u16string_view, kMessageCount> CatalogueTexts(CatalogueTable table);

}  // namespace kq::ui::detail
