#include "app/gui/conversion_worker.h"

#include <exception>

namespace drevlin {

TConversionWorker::~TConversionWorker() {
  Cancel();
  Wait();
}

void TConversionWorker::Wait() {
  if (thread_.joinable()) thread_.join();
}

bool TConversionWorker::Start(TStep step, TDone done) {
  if (running_) return false;
  Wait();  // the previous step's thread has ended but may not be joined yet
  cancel_ = false;
  running_ = true;
  thread_ = std::thread([this, step = std::move(step), done = std::move(done)] {
    TStepOutcome outcome;
    // An error must not escape a thread (that ends the program): it is
    // handed to the window like the step's result.
    try {
      outcome.Result = step();
    } catch (const std::exception& error) {
      outcome.Result.Ok = false;
      outcome.Error = error.what();
    } catch (...) {
      outcome.Result.Ok = false;
      outcome.Error = "unknown error";
    }
    outcome.Cancelled = cancel_;
    postToUi_([this, done, outcome] {
      running_ = false;
      done(outcome);
    });
  });
  return true;
}

}  // namespace drevlin
