#pragma once
// The text export: the result list as one text, and saving a text as a corpus-code-page file.

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/common/messages.h"
#include "engine/retrieval/result_list.h"

namespace lantaro {

// The items as the result list shows them, joined by CR LF (no line end after the last one).
std::u16string result_text(const ResultList& results);

// What a saved text file holds: every line break (CR LF, LF or a lone CR) as CR LF, in the
// corpus code page, without a byte-order mark.
std::string text_file_bytes(std::u16string_view text);

// Writes the text to `target`, replacing an earlier file only once the new one is complete.
// SaveSucceeded or SaveFailed (a read-only target is never replaced).
Message save_text_file(const std::filesystem::path& target, std::u16string_view text);

// Writes bytes the same way; false when the old file had to be kept.
bool replace_file(const std::filesystem::path& target, std::string_view bytes);

}  // namespace lantaro
