// The --help text that follows the usage text.
#pragma once

namespace ordano {

inline constexpr const char* kHelpText = R"(
ordanou [switches] PATH...   catalogue files and folders, then exit

Switches (before the first path; "/X" or "-X", either case):
  /O:FOLDER   output folder (must exist; it is not created)
  /F:NAME     output file name; .csv and .html/.htm choose the format, else text
  /C:RRGGBB   HTML background colour
  /P:N        use settings profile N for this run
  /S          ask for the destination (save dialog) once
  /H          accepted, no effect
  /?          the usage text above
  --yes       answer Yes to questions (overwrite), for unattended runs
  --crawl URL list every URL below URL (web crawl) instead of paths
  --check-update  ask the update server for a newer build (0 up to date,
              10 newer build; installed after --yes or a Yes; 3 check failed)
  --compare OLD NEW  compare two catalogues (JSON or CSV, or library:FOLDER[~N]
              for a snapshot kept in the library): added, removed, changed,
              moved; 0 equal, 1 different, 2 unreadable catalogue
  --verify CATALOGUE  scan the catalogue's roots again as it was made (MD5
              where listed) and compare; same report and statuses (4 cancelled)
  --json      the --compare/--verify report, --find and --volumes as JSON
  --help      this text
  --version   the version
  --          the paths start here (for a path that looks like a switch)

The library (one database of every volume catalogued; --library PATH or
$ORDANO_LIBRARY, else ${XDG_DATA_HOME:-~/.local/share}/ordano/library.sqlite):
  --add FOLDER...   scan the folders as a catalogue run would into the
              library; a folder added again replaces its own rows
  --library-too  a catalogue run records its folders in the library as well
              (--set LibraryToo=1 --save: always, for this profile)
  --import CATALOGUE...  bring in JSON or CSV catalogues written earlier
  --find QUERY  name fragments in any order and case (* and ? make a fragment
              a glob of the whole name); one line per hit: path, volume,
              online/offline, size, modified (0 found, 1 none, 2 bad)
    --ext EXT  --size [+|-]N[K|M|G|T]  --md5 HEX  --volume NAME|UUID
    --newer DATE  --older DATE  modified at or after / before DATE
              (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time)
  --volumes   every volume: label, UUID, last seen, online, files, size
  --snapshots  every kept snapshot of every folder, as --compare takes it
              (library:FOLDER now, library:FOLDER~1 the scan before, ...)
  --duplicates  same MD5 and size (or name and size) anywhere, biggest first
  --unique VOLUME|PATH  files there without a copy elsewhere (1: none)
  --forget VOLUME  remove a volume and its history from the library

Settings for this run only (the settings file is not written):
  --set FIELD=VALUE   any field of the settings record (see --settings for the
              names, any case); flags 0/1/on/off/yes/no, numbers, colours as
              hex RRGGBB, dates as ISO 8601, texts with \n for a line break
  --md5 --hidden --archives --shortcuts --dates --tree --relative --clipboard
              switch ComputeMd5, IncludeHidden, ExpandArchives, ReadShortcuts,
              WriteDate, IndentTree, RelativeOutput, SaveToClipboard on
  --depth N   descend N folder levels (-1 all)
  --sort KEY  name, size, date, ext, natural or created; --reverse descending
  --size-unit byte|kb|mb|auto
  --pattern GLOB  list only names matching GLOB (the wildcard, default *.*)
  --output PATH   the catalogue's full path (as /O: and /F: together)
Settings without a run:
  --settings [--json]  print the settings of the profile (/P:N), Field=value
  --save      with --set or an option above: write them into the profile
  --profiles  list the profiles: number, name, last save

On Linux a token starting with "/" is a switch only when it is "/?" or "/" plus
one of O F C P S H followed by nothing or ":"; anything else is a path.

Exit status: 0 written from every path; 1 written, but some paths were missing
or something could not be read (named on stderr); 2 nothing to do (no paths,
unknown option); 3 nothing written (no path exists, declined, not writable);
4 cancelled; 5 another instance is running.

Settings live in the program folder: $ORDANO_HOME, else the executable's folder
when writable, else ${XDG_CONFIG_HOME:-~/.config}/ordano.
)";

}  // namespace ordano
