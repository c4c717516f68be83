#pragma once
// Runs one conversion step at a time on a thread of its own, so that the
// window stays with the user while pages are written. The step's outcome
// comes back to the user-interface thread through a function the window
// supplies; the step's own events (progress, failures) are the window's to
// carry over.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/conversion_request.h"

namespace drevlin {

struct TStepOutcome {
  TStepResult Result;
  bool Cancelled = false;  // Cancel was asked before the step ended
  std::string Error;       // the text of an error that escaped the step
};

class TConversionWorker {
 public:
  // Runs a task on the user-interface thread, later (a queued call).
  using TPostToUi = std::function<void(std::function<void()>)>;
  using TStep = std::function<TStepResult()>;
  using TDone = std::function<void(const TStepOutcome&)>;

  explicit TConversionWorker(TPostToUi postToUi) : postToUi_(std::move(postToUi)) {}
  // Cancels a step still running and waits for it.
  ~TConversionWorker();
  TConversionWorker(const TConversionWorker&) = delete;
  TConversionWorker& operator=(const TConversionWorker&) = delete;

  // Starts step unless one is running (then false). done runs on the
  // user-interface thread, after every task the step posted before it ended;
  // Running() turns false just before.
  bool Start(TStep step, TDone done);
  bool Running() const { return running_; }
  // Asks the step to stop after its current page or file.
  void Cancel() { cancel_ = true; }
  // Safe from any thread: the step polls it.
  bool CancelRequested() const { return cancel_; }
  // Waits for the step's thread to end; its done still comes later.
  void Wait();

 private:
  TPostToUi postToUi_;
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  bool running_ = false;  // read and written on the user-interface thread only
};

}  // namespace drevlin
