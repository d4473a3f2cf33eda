// ordanou --crawl URL: the web page's crawl from the command line, written
// through the command-line destination (/O: and /F:).
#pragma once

namespace ordano {

struct CommandLine;

// Crawls cl.crawlUrl and writes its catalogue. Exit status: 0 written;
// 2 no URL or not an http(s) URL; 3 the start URL failed or nothing was
// written; 4 cancelled (Ctrl-C), whether or not the partial result was saved;
// 5 another instance runs.
int RunCrawlCommand(const CommandLine& cl);

}  // namespace ordano
