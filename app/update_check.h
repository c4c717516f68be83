#pragma once
// Asks the maker's web server for the newest version of the converter. The
// download runs on a worker thread; its result comes back to the
// user-interface thread through a function the window layer supplies, so this
// file needs no user-interface library.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace drevlin {

// Limits that keep a slow or hostile server from hanging the check or
// filling the disk.
inline constexpr long kConnectTimeoutSeconds = 15;
inline constexpr long kTotalTimeoutSeconds = 30;
inline constexpr size_t kMaxVersionFileBytes = 64 * 1024;

// "http://" and the maker's host: the build's default, or the environment
// variable DREVLIN_UPDATE_SERVER when it is set (tests point it at 127.0.0.1).
std::string UpdateServerBase();
std::string ProductPageAddress(const std::string& serverBase);
// serverBase + "/cgi-bin/check_update.cgi?title=" + the product name with "+" for blanks.
std::string UpdateQueryAddress(const std::string& serverBase, const std::string& productName);

struct TDownloadResult {
  bool Ok = false;  // a 2xx answer within the limits
  std::string Body;
};

// One GET, directly (no proxy), never from a cache. A connection failure, a
// non-2xx status, an answer larger than kMaxVersionFileBytes, a time-out or
// *cancel turning true make it fail.
TDownloadResult DownloadText(const std::string& address, const std::string& userAgent,
                             const std::atomic<bool>* cancel = nullptr);

struct TUpdateRequest {
  std::string ServerBase;
  std::string ProductName;
  std::string ProductVersion;
  std::string VersionFile;       // where the answer is kept; a write failure is harmless
  std::string LastVersionText;   // the three messages, from the language file
  std::string NewVersionText;
  std::string NoConnectionText;
  std::string PreviousLink;      // kept when the download fails
};

struct TUpdateResult {
  std::string UpdateQuery;  // the address asked
  std::string Message;
  std::string Link;         // the product page when a newer version exists
  bool NewerVersion = false;
};

// Byte-wise text comparison, as the server's answers have always been
// compared: "1.1" is newer than "1.0", and "1.10" is older than "1.9".
bool IsNewerVersion(const std::string& candidate, const std::string& current);

// Downloads and compares; the comparison uses the downloaded answer itself.
TUpdateResult CheckForUpdate(const TUpdateRequest& request, const std::atomic<bool>* cancel = nullptr);

class TUpdateCheck {
 public:
  // Runs a task on the user-interface thread, later (a queued call).
  using TPostToUi = std::function<void(std::function<void()>)>;
  using TDone = std::function<void(const TUpdateResult&)>;

  explicit TUpdateCheck(TPostToUi postToUi);
  // Cancels a check still running and waits for its thread, so that its
  // result never reaches windows that are gone.
  ~TUpdateCheck();
  TUpdateCheck(const TUpdateCheck&) = delete;
  TUpdateCheck& operator=(const TUpdateCheck&) = delete;

  // Starts a check unless one is running (then false). done runs on the
  // user-interface thread after CheckRunning() has turned false.
  bool Start(TUpdateRequest request, TDone done);
  bool CheckRunning() const { return running_; }

 private:
  TPostToUi postToUi_;
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::shared_ptr<bool> alive_;  // read and cleared on the user-interface thread only
  bool running_ = false;
};

}  // namespace drevlin
