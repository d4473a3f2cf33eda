// Starts tests/crawl_server/server.py on 127.0.0.1 with an ephemeral port for
// the crawler's tests, and reads its request log. Header-only, so that every
// test executable can include it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ordano::testing {

// The tests talk to 127.0.0.1 only: no proxy from the environment may step in.
inline void ClearProxyEnvironment() {
  for (const char* v :
       {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
    unsetenv(v);
  }
}

// python3 on PATH, or empty.
inline std::string FindPython3() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/python3";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

inline std::string CrawlServerScript() {
#ifdef ORDANO_SOURCE_DIR
  // __FILE__ is relative to the build folder under ccache's base directory,
  // and a test run from elsewhere (ctest runs each in its own folder) would
  // find no script and skip.
  return ORDANO_SOURCE_DIR "/tests/crawl_server/server.py";
#else
  return (std::filesystem::path(__FILE__).parent_path() / "server.py").string();
#endif
}

// One running server. Everything it was asked shows in RequestLog().
class CrawlServer {
 public:
  CrawlServer() = default;
  CrawlServer(const CrawlServer&) = delete;
  CrawlServer& operator=(const CrawlServer&) = delete;
  ~CrawlServer() { Stop(); }

  // Serves `root` with the routes of the JSON text (may be empty). False,
  // with the reason in *why, when python3 is missing or the server does not
  // come up within 20 seconds.
  bool Start(const std::string& root, const std::string& routesJson, std::string* why) {
    const std::string python = FindPython3();
    if (python.empty()) {
      *why = "python3 is not installed";
      return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    logPath_ = root + "/../" + std::filesystem::path(root).filename().string() + ".requests.log";
    const std::string routesPath = logPath_ + ".routes.json";
    {
      std::ofstream(logPath_, std::ios::trunc);
      std::ofstream routes(routesPath, std::ios::trunc);
      routes << (routesJson.empty() ? "{}" : routesJson);
    }
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return Fail(why, "pipe failed");
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return Fail(why, "pipe failed");
    }
    const std::string script = CrawlServerScript();
    pid_ = fork();
    if (pid_ < 0) return Fail(why, "fork failed");
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      const int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) dup2(devnull, 2);
      execl(python.c_str(), python.c_str(), script.c_str(), root.c_str(), logPath_.c_str(),
            routesPath.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd fd{out[0], POLLIN, 0};
      if (poll(&fd, 1, 200) <= 0) continue;
      char buf[256];
      const ssize_t n = read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      line.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (line.rfind("PORT ", 0) != 0) return Fail(why, "the test server did not start");
    port_ = std::atoi(line.c_str() + 5);
    return port_ > 0;
  }

  void Stop() {
    if (stdin_ >= 0) close(stdin_);  // the server ends when its input closes
    stdin_ = -1;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }

  int port() const { return port_; }
  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // One entry per request: "GET /path" (method and path only).
  std::vector<std::string> Requests() const {
    std::vector<std::string> out;
    for (const auto& fields : RequestFields()) out.push_back(fields[0] + " " + fields[1]);
    return out;
  }
  // The logged fields of every request: method, path, Host, User-Agent,
  // Cache-Control, Pragma, the body of a POST.
  std::vector<std::vector<std::string>> RequestFields() const {
    std::vector<std::vector<std::string>> out;
    std::ifstream log(logPath_);
    for (std::string line; std::getline(log, line);) {
      std::vector<std::string> fields;
      std::stringstream ss(line);
      for (std::string f; std::getline(ss, f, '\t');) fields.push_back(f);
      fields.resize(7);
      out.push_back(fields);
    }
    return out;
  }
  int CountRequests(const std::string& path) const {
    int n = 0;
    for (const auto& f : RequestFields()) n += f[1] == path ? 1 : 0;
    return n;
  }

 private:
  bool Fail(std::string* why, const char* text) {
    *why = text;
    Stop();
    return false;
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
  std::string logPath_;
};

}  // namespace ordano::testing
