#include "app/help_text.h"

#include <algorithm>
#include <string_view>

#include "app/option_table.h"

namespace ordano {
namespace {

constexpr const char* kHead =
    R"(Usage: ordanou [options] [switches] PATH...   catalogue them, then exit
       ordanou                                open the window

Switches ("/X" or "-X", either case):
  /O:FOLDER   output folder (must exist; it is not created; ~/ is your home)
  /F:NAME     output file name; .csv, .html/.htm, .json, .jsonl, .view.html
              (a searchable page) and .sqlite (a library file) choose the
              format, else text; "-" writes the text catalogue to stdout
  /C:RRGGBB   HTML background colour
  /P:N        use settings profile N for this run (it must exist)
  /P          choose the profile (a dialog, or a list on the terminal)
  /S          ask for the destination (save dialog) once
  /H          accepted, no effect
  /?          the usage text of the Windows program
)";

constexpr const char* kTail = R"(
Options and switches may stand before, between or after the paths; after "--"
every token is a path. On Linux a token starting with "/" is a switch only when
it is "/?" or "/" plus one of O F C P S H followed by nothing or ":".

Exit status: 0 written from every path; 1 written, but some paths were missing
or something could not be read (named on stderr); 2 nothing to do (no paths,
unknown option, no such profile); 3 nothing written (no path exists, declined,
not writable); 4 cancelled; 5 another instance is running.

Settings live in the program folder: $ORDANO_HOME, else the executable's folder
when an ordanou.dat stands there (portable), else
${XDG_CONFIG_HOME:-~/.config}/ordano.
The library: --library PATH or $ORDANO_LIBRARY, else
${XDG_DATA_HOME:-~/.local/share}/ordano/library.sqlite.
)";

const char* Heading(OptionGroup g) {
  switch (g) {
    case OptionGroup::General:
      return "\nOptions:\n";
    case OptionGroup::Run:
      return "\nRuns:\n";
    case OptionGroup::Library:
      return "\nThe library (one database of every volume catalogued):\n";
    case OptionGroup::Settings:
      return "\nSettings for this run only (the settings file is not written):\n";
    case OptionGroup::SettingsCommand:
      return "\nSettings and profiles without a run:\n";
  }
  return "\n";
}

// The text in lines that end before column 80, each further one indented to
// the text column.
std::string Wrapped(std::string_view text) {
  constexpr std::size_t kWidth = 80 - 24 - 1;
  std::string out, line;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const std::string_view word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n" + std::string(24, ' ');
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
    at = end + 1;
  }
  return out + line;
}

}  // namespace

std::string HelpText() {
  std::string out = kHead;
  for (const OptionGroup g : {OptionGroup::General, OptionGroup::Run, OptionGroup::Settings,
                              OptionGroup::SettingsCommand, OptionGroup::Library}) {
    out += Heading(g);
    for (const OptionEntry& o : Options()) {
      if (o.group != g) continue;
      std::string head = "  ";
      if (o.shortForm != 0) head += std::string("-") + o.shortForm + ", ";
      head += o.name;
      if (!o.argument.empty()) head += " " + std::string(o.argument);
      out += head;
      // The text starts in column 24, or on the next line after a long head.
      if (head.size() < 23) {
        out += std::string(24 - head.size(), ' ');
      } else {
        out += "\n" + std::string(24, ' ');
      }
      out += Wrapped(o.help);
      out += '\n';
    }
  }
  return out + kTail;
}

}  // namespace ordano
