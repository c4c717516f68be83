// The update check against a small HTTP server on 127.0.0.1 run by the test.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/update_check.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

// Answers every request with one canned response (or stays silent), and
// remembers the last request's head.
class LocalServer {
 public:
  explicit LocalServer(std::string response) : response_(std::move(response)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LocalServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string LastRequest() {
    std::lock_guard lock(mutex_);
    return request_;
  }
  bool Silent = false;  // accept, read, never answer

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      std::string head;
      char buffer[1024];
      while (head.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, n);
      }
      {
        std::lock_guard lock(mutex_);
        request_ = head;
      }
      while (Silent && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (size_t sent = 0; !Silent && sent < response_.size();) {
        ssize_t n = ::send(client, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += n;
      }
      ::close(client);
    }
  }

  std::string response_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::string request_;
};

std::string Ok(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-update-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  TUpdateRequest Request(const std::string& base) {
    TUpdateRequest r;
    r.ServerBase = base;
    r.ProductName = "Drevlin PDF Converter";
    r.ProductVersion = "1.0";
    r.VersionFile = (dir / "version.txt").string();
    r.LastVersionText = "latest";
    r.NewVersionText = "new: ";
    r.NoConnectionText = "no connection";
    return r;
  }

  fs::path dir;
};

TEST_F(UpdateCheckTest, SameVersionGivesTheLastVersionMessageAndNoLink) {
  LocalServer server(Ok("1.0\r\n"));
  TUpdateResult r = CheckForUpdate(Request(server.Base()));
  EXPECT_EQ(r.Message, "latest");
  EXPECT_EQ(r.Link, "");
  EXPECT_FALSE(r.NewerVersion);
  std::string head = server.LastRequest();
  EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /cgi-bin/check_update.cgi?title=Drevlin+PDF+Converter HTTP/1.1");
  EXPECT_NE(head.find("User-Agent: Drevlin PDF Converter 1.0\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("Cache-Control: no-cache"), std::string::npos);
}

TEST_F(UpdateCheckTest, NewerVersionGivesTheMessageAndTheProductPage) {
  LocalServer server(Ok("1.1\nnotes"));
  TUpdateResult r = CheckForUpdate(Request(server.Base()));
  EXPECT_EQ(r.Message, "new: 1.1");
  EXPECT_EQ(r.Link, server.Base() + "/drevlin_pdf_converter.shtml");
  EXPECT_TRUE(r.NewerVersion);
}

TEST_F(UpdateCheckTest, EmptyAnswerMeansNoNewerVersion) {
  LocalServer server(Ok(""));
  TUpdateResult r = CheckForUpdate(Request(server.Base()));
  EXPECT_EQ(r.Message, "latest");
  EXPECT_EQ(r.Link, "");
}

TEST_F(UpdateCheckTest, ErrorStatusClosedPortAndOversizedAnswerCannotConnect) {
  LocalServer missing("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\n<h1>9</h1");
  TUpdateRequest request = Request(missing.Base());
  request.PreviousLink = "kept";
  TUpdateResult r = CheckForUpdate(request);
  EXPECT_EQ(r.Message, "no connection");
  EXPECT_EQ(r.Link, "kept");

  LocalServer huge(Ok(std::string(kMaxVersionFileBytes + 1, '9')));
  EXPECT_EQ(CheckForUpdate(Request(huge.Base())).Message, "no connection");
  // Without a length in the head the cap must still hold.
  LocalServer streamed("HTTP/1.0 200 OK\r\n\r\n" + std::string(3 * kMaxVersionFileBytes, '9'));
  EXPECT_EQ(CheckForUpdate(Request(streamed.Base())).Message, "no connection");

  int port;
  {
    LocalServer closed(Ok(""));
    port = std::stoi(closed.Base().substr(closed.Base().rfind(':') + 1));
  }
  EXPECT_EQ(CheckForUpdate(Request("http://127.0.0.1:" + std::to_string(port))).Message, "no connection");
}

TEST_F(UpdateCheckTest, ComparisonUsesTheAnswerEvenWhenItCannotBeKept) {
  LocalServer server(Ok("1.1"));
  TUpdateRequest request = Request(server.Base());
  request.VersionFile = (dir / "no-such-folder" / "version.txt").string();
  EXPECT_EQ(CheckForUpdate(request).Message, "new: 1.1");
}

TEST(VersionComparison, IsByteWiseText) {
  EXPECT_TRUE(IsNewerVersion("1.1", "1.0"));
  EXPECT_FALSE(IsNewerVersion("1.0", "1.0"));
  EXPECT_FALSE(IsNewerVersion("1.10", "1.9"));
  EXPECT_FALSE(IsNewerVersion("", "1.0"));
  EXPECT_TRUE(IsNewerVersion("1.0a", "1.0"));
  EXPECT_TRUE(IsNewerVersion("\xC3", "1.0"));  // bytes compare unsigned
}

TEST(UpdateAddresses, ServerComesFromTheEnvironmentWhenSet) {
  ::setenv("DREVLIN_UPDATE_SERVER", "http://127.0.0.1:9", 1);
  EXPECT_EQ(UpdateServerBase(), "http://127.0.0.1:9");
  ::unsetenv("DREVLIN_UPDATE_SERVER");
  EXPECT_EQ(UpdateServerBase().rfind("http://", 0), 0u);
  EXPECT_EQ(UpdateQueryAddress("http://h", "A B C"), "http://h/cgi-bin/check_update.cgi?title=A+B+C");
}

// Stands in for the window's queued calls: tasks wait until the test runs them.
struct UiQueue {
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
  TUpdateCheck::TPostToUi Poster() {
    return [this](std::function<void()> task) {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    };
  }
  bool RunOne(std::chrono::seconds limit = std::chrono::seconds(10)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex);
        if (!tasks.empty()) {
          task = std::move(tasks.front());
          tasks.pop_front();
        }
      }
      if (task) {
        task();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

TEST_F(UpdateCheckTest, OneCheckAtATimeAndTheResultArrivesOnTheUiQueue) {
  LocalServer server(Ok("1.1"));
  UiQueue ui;
  TUpdateCheck check(ui.Poster());
  int calls = 0;
  TUpdateResult seen;
  auto done = [&](const TUpdateResult& r) {
    ++calls;
    seen = r;
    EXPECT_FALSE(check.CheckRunning());
  };
  ASSERT_TRUE(check.Start(Request(server.Base()), done));
  EXPECT_TRUE(check.CheckRunning());
  EXPECT_FALSE(check.Start(Request(server.Base()), done));  // the second press is ignored
  ASSERT_TRUE(ui.RunOne());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen.Message, "new: 1.1");
  EXPECT_FALSE(ui.RunOne(std::chrono::seconds(1)));

  ASSERT_TRUE(check.Start(Request(server.Base()), done));  // and a later one runs again
  ASSERT_TRUE(ui.RunOne());
  EXPECT_EQ(calls, 2);
}

TEST_F(UpdateCheckTest, QuittingDuringACheckCancelsItAndDeliversNothing) {
  LocalServer server(Ok("1.1"));
  server.Silent = true;
  UiQueue ui;
  bool delivered = false;
  auto start = std::chrono::steady_clock::now();
  {
    TUpdateCheck check(ui.Poster());
    ASSERT_TRUE(check.Start(Request(server.Base()), [&](const TUpdateResult&) { delivered = true; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  while (ui.RunOne(std::chrono::seconds(0))) {}
  EXPECT_FALSE(delivered);
}

}  // namespace
}  // namespace drevlin
