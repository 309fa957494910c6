#pragma once
// The two ways the library grows: importing a TXT file as a document and creating a directory.
// Both run their checks in a fixed order and report the outcome as the message the user is to
// see; a refused or failed operation leaves the file system as it was.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/common/messages.h"

namespace lantaro {

// Locations are directories below the corpus folder, "/"-separated UTF-8; "" is the corpus
// folder itself.
struct ImportRequest {
  std::string source_file;              // UTF-8 path of the file to import; "" = none chosen
  std::string display_name;             // the document's name without ".txt"
  std::optional<std::string> location;  // none = no location chosen
};

struct ImportOutcome {
  Message message = Message::ImportFailed;
  // The user kept the existing document of that name: nothing changed, nothing more to say.
  bool declined = false;
  std::string relative_path;  // of the written document, on success

  bool succeeded() const { return message == Message::ImportSucceeded; }
};

// Asked before an existing document of the same name is replaced (the display name is UTF-8);
// only true replaces it.
using ConfirmReplace = std::function<bool(std::string_view display_name)>;

// Checks: a file chosen, a display name entered, a location chosen, then the name and location
// must be usable (surrounding blanks are dropped; empty, ".", "..", separators, characters the
// file system refuses and locations outside the library are refused). The copy is byte for
// byte through a temporary file in the target directory, renamed into place at the end.
ImportOutcome import_document(const std::filesystem::path& corpus_folder,
                              const ImportRequest& request, const ConfirmReplace& confirm_replace);

// Creates a directory named `name` inside `parent` (a location as above; none = no parent
// chosen). An existing entry of that name is a failure and stays untouched.
Message create_library_directory(const std::filesystem::path& corpus_folder, std::string_view name,
                                 const std::optional<std::string>& parent);

// The name as it would be used for a document or directory, or nothing when it is unusable.
std::optional<std::string> usable_name(std::string_view name);

}  // namespace lantaro
