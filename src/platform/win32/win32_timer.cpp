#include "platform/win32/win32_timer.h"

#include "platform/handler_running.h"
#include "platform/win32/win32_error.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace veltrano {

namespace {

std::int64_t Now() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

std::int64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

// A waitable timer of the finest resolution the system offers.
HANDLE MakeWaitableTimer() {
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
  if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  if (timer == nullptr) throw Win32Error("Cannot create a waitable timer");
  return timer;
}

}  // namespace

Win32Timer::Win32Timer(HWND window, std::string_view name, int intervalMs)
    : window_(window), name_(name), intervalMs_(intervalMs) {
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stop_ == nullptr) throw Win32Error("Cannot create an event");
}

Win32Timer::~Win32Timer() {
  SetEnabled(false);
  CloseHandle(stop_);
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  pending_ = false;
  if (!enabled) {
    SetEvent(stop_);
    counter_.join();
    return;
  }
  ++run_;
  posted_ = false;
  ResetEvent(stop_);
  HANDLE waitable = MakeWaitableTimer();
  counter_ = std::thread([this, run = run_, waitable] {
    Count(run, waitable);
    CloseHandle(waitable);
  });
}

void Win32Timer::Count(std::uint64_t run, HANDLE waitable) {
  const std::int64_t frequency = CounterFrequency();
  const std::int64_t period = frequency * intervalMs_ / 1000;
  std::int64_t deadline = Now() + period;
  const HANDLE waits[] = {stop_, waitable};
  for (;;) {
    const std::int64_t left = deadline - Now();
    if (left > 0) {
      // Relative due time, in units of 100 ns.
      LARGE_INTEGER due{};
      due.QuadPart = -(left * 10'000'000 / frequency);
      if (due.QuadPart == 0) due.QuadPart = -1;
      SetWaitableTimer(waitable, &due, 0, nullptr, nullptr, FALSE);
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    } else if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
      return;
    }
    if (!posted_.exchange(true)) {
      PostMessageA(window_, kTickMessage, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(run));
    }
    // The next deadline keeps the phase of the first; periods missed while the window was busy
    // are skipped rather than made up.
    deadline += period;
    const std::int64_t now = Now();
    if (deadline <= now) deadline += ((now - deadline) / period + 1) * period;
  }
}

void Win32Timer::Deliver(LPARAM run) {
  posted_ = false;
  if (!enabled_ || static_cast<std::uint64_t>(run) != run_) return;
  if (running_) {
    pending_ = true;
    return;
  }
  Tick();
}

void Win32Timer::Tick() {
  pending_ = false;
  if (handler_) {
    const HandlerRunning running(running_);
    handler_();
  }
  // Queued rather than run here, so that the messages that waited behind the handler come first;
  // one of them may switch the timer off, which drops the pending tick.
  if (pending_ && enabled_ && !posted_.exchange(true)) {
    PostMessageA(window_, kTickMessage, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(run_));
  }
}

}  // namespace veltrano
