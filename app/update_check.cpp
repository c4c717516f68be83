#include "app/update_check.h"

#include <curl/curl.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/file_io.h"

#ifndef DREVLIN_UPDATE_SERVER
#define DREVLIN_UPDATE_SERVER "http://drevlin.example.com"
#endif

namespace drevlin {

namespace {

struct Transfer {
  std::string Body;
  const std::atomic<bool>* Cancel = nullptr;
  bool TooLarge = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  size_t n = size * count;
  if (transfer->Body.size() + n > kMaxVersionFileBytes) {
    transfer->TooLarge = true;
    return 0;  // makes libcurl stop with a write error
  }
  transfer->Body.append(data, n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  return transfer->Cancel && transfer->Cancel->load() ? 1 : 0;
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The check is background work: let anything else run first.
void LowerThreadPriority() {
  sched_param param{};
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

}  // namespace

std::string UpdateServerBase() {
  const char* overridden = std::getenv("DREVLIN_UPDATE_SERVER");
  return overridden && *overridden ? overridden : DREVLIN_UPDATE_SERVER;
}

std::string ProductPageAddress(const std::string& serverBase) {
  return serverBase + "/drevlin_pdf_converter.shtml";
}

std::string UpdateQueryAddress(const std::string& serverBase, const std::string& productName) {
  std::string title = productName;
  std::replace(title.begin(), title.end(), ' ', '+');
  return serverBase + "/cgi-bin/check_update.cgi?title=" + title;
}

TDownloadResult DownloadText(const std::string& address, const std::string& userAgent,
                             const std::atomic<bool>* cancel) {
  InitCurlOnce();
  CURL* curl = curl_easy_init();
  if (!curl) return {};
  Transfer transfer;
  transfer.Cancel = cancel;
  curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");

  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxVersionFileBytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

  CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);

  // An error page is not a version number.
  if (code != CURLE_OK || transfer.TooLarge || status < 200 || status > 299) return {};
  return {true, std::move(transfer.Body)};
}

bool IsNewerVersion(const std::string& candidate, const std::string& current) {
  return std::lexicographical_compare(current.begin(), current.end(), candidate.begin(), candidate.end(),
                                      [](char a, char b) {
                                        return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
                                      });
}

TUpdateResult CheckForUpdate(const TUpdateRequest& request, const std::atomic<bool>* cancel) {
  TUpdateResult result;
  result.UpdateQuery = UpdateQueryAddress(request.ServerBase, request.ProductName);
  TDownloadResult download =
      DownloadText(result.UpdateQuery, request.ProductName + " " + request.ProductVersion, cancel);
  if (!download.Ok) {
    result.Message = request.NoConnectionText;
    result.Link = request.PreviousLink;
    return result;
  }
  // Kept beside the program as before; losing it costs nothing, since the
  // comparison below reads the answer itself.
  if (!request.VersionFile.empty()) ostrel::WriteWholeFile(request.VersionFile, download.Body);

  std::string latest = download.Body.substr(0, download.Body.find_first_of("\r\n"));
  if (IsNewerVersion(latest, request.ProductVersion)) {
    result.Message = request.NewVersionText + latest;
    result.Link = ProductPageAddress(request.ServerBase);
    result.NewerVersion = true;
  } else {
    result.Message = request.LastVersionText;
  }
  return result;
}

TUpdateCheck::TUpdateCheck(TPostToUi postToUi)
    : postToUi_(std::move(postToUi)), alive_(std::make_shared<bool>(true)) {
  InitCurlOnce();
}

TUpdateCheck::~TUpdateCheck() {
  *alive_ = false;
  if (cancel_) cancel_->store(true);
  if (thread_.joinable()) thread_.join();
}

bool TUpdateCheck::Start(TUpdateRequest request, TDone done) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();  // the previous check has already posted its result
  running_ = true;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  thread_ = std::thread([this, request = std::move(request), done = std::move(done), cancel = cancel_,
                         alive = alive_]() mutable {
    LowerThreadPriority();
    TUpdateResult result = CheckForUpdate(request, cancel.get());
    if (cancel->load()) return;
    postToUi_([this, alive, result = std::move(result), done = std::move(done)] {
      if (!*alive) return;
      running_ = false;
      done(result);
    });
  });
  return true;
}

}  // namespace drevlin
