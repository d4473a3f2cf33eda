// The CSV, HTML, JSON, JSON Lines and page catalogue writers, chosen by the destination's
// extension.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

struct AppContext;
class CFileCus;

// Each writer gets a sink that is not open yet and the destination path: it
// opens the file by its format's own rules (mode, encoding, failure message),
// writes the whole catalogue and closes the sink. True when the catalogue was
// written; false after the user has been told why not.
bool WriteCsvCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);
bool WriteHtmlCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);
// A JSON document (UTF-8, no byte-order mark) for scripts; always a new file.
bool WriteJsonCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);
// JSON Lines: the JSON catalogue's header object on the first line, then one
// line per row with the fields of its entries.
bool WriteJsonLinesCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);
// The same into a sink already open (stdout).
void StreamJsonLines(AppContext& ctx, CFileCus& sink);
// The searchable page: one self-contained HTML file with the folder tree, a
// virtual list of the files and a search over all names.
bool WriteViewCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);

// The write-error messages of the output run (caption "おるだの♪書き出しエラー"),
// after the path and the system's reason (`error`, an errno value).
void ShowWriteFailure(AppContext& ctx, std::string_view path, int error);
// The HTML variant, with the hint to write a new file before appending to it.
void ShowHtmlWriteFailure(AppContext& ctx, std::string_view path, int error);

}  // namespace ordano
