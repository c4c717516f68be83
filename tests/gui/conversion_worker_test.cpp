// The worker thread of the window's conversions, with the window's thread
// played by a queue the test runs by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "app/gui/conversion_worker.h"

namespace drevlin {
namespace {

class UiQueue {
 public:
  TConversionWorker::TPostToUi Post() {
    return [this](std::function<void()> task) {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    };
  }
  // Runs posted tasks until the worker has handed back its outcome.
  void RunUntilIdle(const TConversionWorker& worker) {
    for (int i = 0; i < 5000 && worker.Running(); ++i) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex_);
        if (!tasks_.empty()) {
          task = std::move(tasks_.front());
          tasks_.pop_front();
        }
      }
      if (task) task();
      else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

TEST(ConversionWorker, HandsBackResultsErrorsAndCancels) {
  UiQueue ui;
  TConversionWorker worker(ui.Post());
  std::vector<TStepOutcome> outcomes;
  auto record = [&](const TStepOutcome& outcome) {
    EXPECT_FALSE(worker.Running());  // already idle when told
    outcomes.push_back(outcome);
  };

  ASSERT_TRUE(worker.Start([] { return TStepResult{true, 0, 3}; }, record));
  EXPECT_TRUE(worker.Running());
  ui.RunUntilIdle(worker);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].Result.Written, 3);
  EXPECT_FALSE(outcomes[0].Cancelled);

  // An error escaping the step fails it instead of ending the program.
  ASSERT_TRUE(worker.Start([]() -> TStepResult { throw std::runtime_error("disk on fire"); }, record));
  ui.RunUntilIdle(worker);
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_FALSE(outcomes[1].Result.Ok);
  EXPECT_EQ(outcomes[1].Error, "disk on fire");

  // A step that polls for Cancel stops when asked; a second one cannot start
  // meanwhile.
  ASSERT_TRUE(worker.Start(
      [&] {
        while (!worker.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return TStepResult{};
      },
      record));
  EXPECT_FALSE(worker.Start([] { return TStepResult{}; }, record));
  worker.Cancel();
  ui.RunUntilIdle(worker);
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_TRUE(outcomes[2].Cancelled);

  // The next step starts with Cancel cleared.
  ASSERT_TRUE(worker.Start([&] { return TStepResult{!worker.CancelRequested()}; }, record));
  ui.RunUntilIdle(worker);
  ASSERT_EQ(outcomes.size(), 4u);
  EXPECT_TRUE(outcomes[3].Result.Ok);
  EXPECT_FALSE(outcomes[3].Cancelled);
}

}  // namespace
}  // namespace drevlin
