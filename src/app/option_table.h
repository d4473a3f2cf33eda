// Every "--" option of ordanou in one table: the parser recognises options
// through it, --help prints it, and a test holds the manual page and the
// shell completions to it.
#pragma once

#include <span>
#include <string_view>

namespace ordano {

enum class OptionValue {
  None,      // a flag
  Required,  // the next token (or "=VALUE")
  Optional,  // the next token when it is not an option (--find [QUERY])
  Two,       // the next two tokens (--compare OLD NEW)
};

enum class OptionGroup { General, Run, Library, Settings, SettingsCommand };

struct OptionEntry {
  std::string_view name;      // "--output"
  char shortForm;             // 'o' for "-o"; 0 for none
  OptionValue value;          //
  std::string_view argument;  // "PATH" as help and the manual show it
  std::string_view help;      // the --help text (lines after the first indented)
  OptionGroup group;
};

std::span<const OptionEntry> Options();

// By long name ("--output") or short form ("-o"); nullptr when unknown.
const OptionEntry* FindOption(std::string_view token);

// Levenshtein distance: how many one-byte edits turn `a` into `b`.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The option a mistyped token most likely meant (at most a third of its
// letters wrong); empty when none is near.
std::string_view NearestOption(std::string_view token);

}  // namespace ordano
