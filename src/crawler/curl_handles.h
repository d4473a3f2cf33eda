// Owning handles for libcurl objects.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace ordano {

struct CurlEasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct CurlUrlDeleter {
  void operator()(CURLU* h) const { curl_url_cleanup(h); }
};
struct CurlSlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct CurlStringDeleter {
  void operator()(char* s) const { curl_free(s); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

}  // namespace ordano
