// How well the control program keeps its rhythm, measured with real parts against the best that
// this machine can do. In the current network namespace (the data server's endpoint is
// per-namespace, so run it in a private one) it starts the data-server emulator with a replay,
// the program (timed-veltrano: the shipped window offscreen, pressing START itself) on one
// pseudo-terminal and a reference sender on another, timestamps every packet that arrives on
// either. Two passes follow, apart from the timed run: the program under strace against the same
// emulator, for its system calls a tick; and the emulator fed by a fake X-Plane on loopback
// (which must be up), for the delay from a datagram to the packet that carries its value. Then it
// prints one table with the targets. See scripts/bench.
//   platform-bench [--ticks N] [--frame-ms N] [--stall S@AT]
// --ticks defaults to 1200, one minute of ticks; --frame-ms and --stall go to the emulator, which
// then answers only between the frames of a game loop.

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "child_process/child_process.h"
#include "link/link_protocol.h"
#include "link/variable_readers.h"
#include "live_source_pass.h"
#include "packet_stream.h"
#include "platform/posix/posix_link_transport.h"
#include "protocol/data_server_requests.h"
#include "protocol/platform_packet.h"
#include "statistics.h"
#include "step_latencies.h"
#include "system_call_pass.h"
#include "timed_platform.h"
#include "xplane_protocol.h"

namespace veltrano::bench {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double kPeriodMs = 50.0;

// The replay: the pitch steps through the levels from kFirstStep seconds into the flight on. The
// speed is the flight time itself, which lets this program read the emulator's clock through the
// link.
constexpr double kFirstStep = 1.0;

double StepTime(std::size_t step) { return kFirstStep + kStepEvery * double(step); }

// The pitch that the replay serves at a moment of the flight.
double PitchAt(double flightSeconds) {
  if (flightSeconds < StepTime(1)) return PitchAfterStep(0);
  return PitchAfterStep(static_cast<std::size_t>((flightSeconds - kFirstStep) / kStepEvery));
}

void WriteReplay(const fs::path& file, double seconds) {
  std::ofstream out(file);
  out << "time_s,pitch,bank,slip,rpm,speed\n";
  const auto row = [&](double t, double pitch) {
    out << t << ',' << pitch << ",0,0,2000," << t << '\n';
  };
  out.precision(9);
  row(0.0, PitchAfterStep(0));
  for (std::size_t step = 1; StepTime(step) < seconds; ++step) {
    row(StepTime(step), PitchAfterStep(step - 1));
    row(StepTime(step) + 1e-6, PitchAfterStep(step));
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

// The emulator's flight clock on this process's clock, read through the link: the request with
// the shortest round trip brackets the moment of its answer most tightly. Also gives the round
// trips of plain value requests. A game loop answers only at the ends of its frames, so there
// every request asks for the speed, after a pause that moves it to another phase of the frame,
// until one reaches the emulator just before a boundary.
struct LinkFindings {
  BenchClock::time_point flightStart;
  std::vector<double> roundTripsMs;
};

LinkFindings ProbeLink(const std::optional<Ms>& frame) {
  PosixLinkTransport transport;
  LinkClient client(transport, std::chrono::minutes(1));  // waits out a stall
  LinkFindings found;
  auto shortest = BenchClock::duration::max();
  const auto ask = [&](std::int32_t code) {
    LinkValue value;
    std::string replyText;
    std::int32_t header = 0;
    const auto before = BenchClock::now();
    if (client.LinkRequest(code, "n", value, replyText, header) != 0) {
      throw std::runtime_error("the data server gave no value");
    }
    const auto after = BenchClock::now();
    found.roundTripsMs.push_back(Ms(after - before).count());
    if (code == data_server::kSpeedCode && after - before < shortest) {
      shortest = after - before;
      const auto flightTime = std::chrono::duration<double>(std::get<double>(value));
      found.flightStart = before + (after - before) / 2 -
                          std::chrono::duration_cast<BenchClock::duration>(flightTime);
    }
  };
  if (!frame) {
    for (int i = 0; i < 2000; ++i)
      ask(i % 10 == 0 ? data_server::kSpeedCode : data_server::kPitchCode);
    return found;
  }
  constexpr double kGolden = 0.6180339887;  // spreads the phases evenly over the frame
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(*frame * std::fmod(kGolden * i, 1.0));
    ask(data_server::kSpeedCode);
  }
  return found;
}

// What the emulator says with --verbose, read on a thread of its own while it runs, so that its
// output never fills the pipe: when it served the pitch (as flight time), and its frame lines.
// The thread takes what has come every few tens of milliseconds rather than waking for each
// line, so that the reading costs the machine little while the program runs.
class ServerLog {
 public:
  explicit ServerLog(ChildProcess& server) : server_(server), reader_([this] { Read(); }) {}
  ~ServerLog() {
    if (!reader_.joinable()) return;
    try {
      Finish();
    } catch (const std::exception&) {
      // the emulator is ended with its ChildProcess in any case
    }
  }

  // Ends the emulator and waits until all it said is read.
  void Finish() {
    server_.Interrupt();
    ended_ = true;
    reader_.join();
    server_.Wait();
  }

  // All complete once Finish has returned.
  const std::vector<double>& PitchServed() const { return pitchServed_; }
  const std::vector<std::string>& FrameLines() const { return frameLines_; }
  // The frame in which each message was answered, in the order answered.
  const std::vector<std::uint64_t>& AnsweredInFrame() const { return answeredInFrame_; }
  // What the emulator said of its atoms as it stopped: "simserver stopped: N atoms left".
  const std::string& AtomsLine() const { return atomsLine_; }

 private:
  void Read() {
    while (!ended_) {
      while (const auto line = server_.PollLine()) Take(*line);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    std::istringstream rest(server_.ReadRest());
    for (std::string line; std::getline(rest, line);) Take(line);
  }

  // "message 12 (flight 5.012345 s, frame 167): id 49320 wParam 1 code 77 -> -16383"
  void Take(const std::string& line) {
    if (line.starts_with("frame ")) frameLines_.push_back(line);
    if (line.starts_with("simserver stopped")) atomsLine_ = line;
    if (const auto frame = line.find(", frame ");
        line.starts_with("message ") && frame != line.npos) {
      answeredInFrame_.push_back(std::strtoull(line.c_str() + frame + 8, nullptr, 10));
    }
    const auto flight = line.find("(flight ");
    const auto pitch = line.find(" code " + std::to_string(data_server::kPitchCode) + " -> ");
    if (!line.starts_with("message ") || flight == std::string::npos ||
        pitch == std::string::npos) {
      return;
    }
    const double seconds = std::strtod(line.c_str() + flight + 8, nullptr);
    const long long answer = std::strtoll(line.c_str() + line.find("-> ") + 3, nullptr, 10);
    // An atom, as a negative number or zero-extended: a value, not a status.
    if (answer < 0 || answer > 32767) pitchServed_.push_back(seconds);
  }

  ChildProcess& server_;
  std::atomic<bool> ended_ = false;
  std::vector<double> pitchServed_;
  std::vector<std::string> frameLines_;
  std::vector<std::uint64_t> answeredInFrame_;
  std::string atomsLine_;
  std::thread reader_;
};

// The reader's timestamps are only as good as its own wake-ups: a reader that waits for the CPU
// sees two packets arrive at once. It takes a real-time priority where it may (the senders keep
// their own, inherited from before); gives whether it got one.
bool RaiseReaderPriority() {
  const sched_param lowest{.sched_priority = sched_get_priority_min(SCHED_FIFO)};
  return sched_setscheduler(0, SCHED_FIFO, &lowest) == 0;
}

std::vector<double> IntervalsMs(const std::vector<Arrival>& arrivals) {
  std::vector<double> intervals;
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    intervals.push_back(Ms(arrivals[i].when - arrivals[i - 1].when).count());
  }
  return intervals;
}

std::vector<double> DeviationsMs(const std::vector<double>& intervals) {
  std::vector<double> deviations;
  for (double interval : intervals) deviations.push_back(std::abs(interval - kPeriodMs));
  return deviations;
}

// Slots that the program's timer left out (a tick that ran past the next slot), from the
// intervals between its timer events.
std::size_t DroppedSlots(const std::vector<double>& intervals) {
  std::size_t dropped = 0;
  for (double interval : intervals) {
    dropped += static_cast<std::size_t>(std::max(0.0, std::round(interval / kPeriodMs) - 1.0));
  }
  return dropped;
}

double DriftMs(const std::vector<Arrival>& arrivals) {
  return Ms(arrivals.back().when - arrivals.front().when).count() -
         kPeriodMs * double(arrivals.size() - 1);
}

// The replay's steps on this process's clock, up to `until`.
std::vector<LevelChange> ReplayChanges(BenchClock::time_point flightStart,
                                       BenchClock::time_point until) {
  std::vector<LevelChange> changes;
  for (std::size_t step = 1;; ++step) {
    const auto when = flightStart + std::chrono::duration_cast<BenchClock::duration>(
                                        std::chrono::duration<double>(StepTime(step)));
    if (when >= until) return changes;
    changes.push_back({when, PitchByte(PitchAfterStep(step))});
  }
}

// For each packet: from the moment the emulator served the pitch that it carries to its arrival.
// That is the last pitch served before the arrival with the packet's level; a packet whose pitch
// is no level's carries the reading of a request that got no value.
struct Ages {
  std::vector<double> ms;
  std::size_t withoutValue = 0;
  std::size_t withoutValueAfterFirst = 0;  // after the first packet that carried one
  // For each packet, when the pitch that it carries was served (none: no served value).
  std::vector<std::optional<BenchClock::time_point>> servedAt;
};

Ages ValueAges(const std::vector<Arrival>& arrivals, const std::vector<double>& pitchServed,
               BenchClock::time_point flightStart) {
  std::vector<std::pair<BenchClock::time_point, std::uint8_t>> served;  // in order of serving
  for (const double seconds : pitchServed) {
    served.emplace_back(flightStart + std::chrono::duration_cast<BenchClock::duration>(
                                          std::chrono::duration<double>(seconds)),
                        PitchByte(PitchAt(seconds)));
  }
  Ages found;
  for (const Arrival& arrival : arrivals) {
    auto candidate = std::upper_bound(
        served.begin(), served.end(), arrival.when,
        [](BenchClock::time_point when, const auto& serve) { return when < serve.first; });
    while (candidate != served.begin() &&
           std::prev(candidate)->second != arrival.packet[kPitchCueByte]) {
      --candidate;
    }
    if (candidate == served.begin()) {
      ++found.withoutValue;
      if (!found.ms.empty()) ++found.withoutValueAfterFirst;
      found.servedAt.emplace_back();
    } else {
      found.ms.push_back(Ms(arrival.when - std::prev(candidate)->first).count());
      found.servedAt.emplace_back(std::prev(candidate)->first);
    }
  }
  return found;
}

double PacketsPerSecond(const std::vector<Arrival>& arrivals) {
  return double(arrivals.size() - 1) /
         std::chrono::duration<double>(arrivals.back().when - arrivals.front().when).count();
}

struct ProgramRun {
  std::vector<double> tickWorkMs;
  std::vector<double> timerPeriodsMs;
  std::vector<double> outputGapsMs;
  double wallNs = 0;
  double cpuNs = 0;
  double peakResidentKb = 0;
};

ProgramRun ReadProgramRun(const std::string& runLine, const fs::path& tickFile) {
  ProgramRun run;
  std::istringstream line(runLine);
  std::string word;
  if (!(line >> word >> run.wallNs >> run.cpuNs >> run.peakResidentKb) || word != "run") {
    throw std::runtime_error("timed-veltrano said: " + runLine);
  }
  std::ifstream ticks(tickFile);
  double timerEventNs = 0;
  double outputNs = 0;
  double previousTimerEventNs = 0;
  double previousOutputNs = 0;
  while (ticks >> timerEventNs >> outputNs) {
    run.tickWorkMs.push_back((outputNs - timerEventNs) / 1e6);
    if (previousTimerEventNs != 0) {
      run.timerPeriodsMs.push_back((timerEventNs - previousTimerEventNs) / 1e6);
      run.outputGapsMs.push_back((outputNs - previousOutputNs) / 1e6);
    }
    previousTimerEventNs = timerEventNs;
    previousOutputNs = outputNs;
  }
  return run;
}

std::string MachineLine() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  std::string model = "unknown CPU";
  while (std::getline(cpuinfo, line)) {
    if (line.starts_with("model name")) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  utsname system{};
  uname(&system);
  return std::to_string(std::thread::hardware_concurrency()) + " cores, " + model + ", Linux " +
         system.release;
}

// The reference sender's last line: "cpu NS".
double ReadSenderCpuNs(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  double cpuNs = 0;
  if (!(in >> word >> cpuNs) || word != "cpu") {
    throw std::runtime_error("reference-sender said: " + line);
  }
  return cpuNs;
}

// The program's own floor: loop-sender, the reference's packet written from the handler of the
// program's tick timer on its event loop, for `ticks` ticks on `port`. Its CPU, in nanoseconds.
double LoopFloorCpuNs(PacketStream& port, std::size_t ticks) {
  ChildProcess sender(LOOP_SENDER_PATH, {port.Link().SlavePath(), std::to_string(ticks)});
  PacketStream* const streams[] = {&port};
  Record(streams, ticks);
  const double cpuNs = ReadSenderCpuNs(sender.ReadLine(std::chrono::seconds(10)));
  if (sender.Wait() != 0) throw std::runtime_error("loop-sender failed");
  port.TakeArrivals();
  return cpuNs;
}

// The stall that the emulator announced: its frame, and when it ended, in seconds of its run.
struct StallSeen {
  std::uint64_t frame = 0;
  double end = 0;
};

std::optional<StallSeen> SeenStall(const ServerLog& log) {
  for (const std::string& line : log.FrameLines()) {
    unsigned long long frame = 0;
    double length = 0, at = 0;
    // "frame 167: a stall of 3.000 s, 5.012 s into the run"
    if (std::sscanf(line.c_str(), "frame %llu: a stall of %lf s, %lf s into the run", &frame,
                    &length, &at) == 3) {
      return StallSeen{frame, at + length};
    }
  }
  return std::nullopt;
}

// The table.
void Row(const char* figure, const Spread& spread, const std::string& target, const char* result) {
  std::printf("| %-46s | %8.3f | %8.3f | %8.3f | %-34s | %-4s |\n", figure, spread.median,
              spread.p99, spread.max, target.c_str(), result);
}

// A value in place of the three spread columns.
constexpr std::size_t kValueWidth = 30;

void Row(const char* figure, const std::string& value, const std::string& target,
         const char* result) {
  std::printf("| %-46s | %-*s | %-34s | %-4s |\n", figure, int(kValueWidth), value.c_str(),
              target.c_str(), result);
}

const char* Verdict(bool met) { return met ? "PASS" : "MISS"; }

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The traced pass's rows: every thread's calls from one packet to the next, of which those that
// name a connection to the data server, and the most frequent.
void SystemCallRows(const SystemCallPass& pass) {
  constexpr const char* kFigure = "link+tick: system calls a tick";
  if (!pass.calls) {
    Row(kFigure, pass.failure, "(a figure)", "");
    return;
  }
  const SystemCalls& calls = *pass.calls;
  Row(kFigure, Format("%.3g", calls.perTick) + Format(" (link %.3g)", calls.linkPerTick),
      Format("(a figure; over %.0f ticks)", double(calls.ticks)), "");
  std::string most;
  // As many as the column holds.
  for (const auto& [name, perTick] : calls.byName) {
    const std::string entry = (most.empty() ? "" : ", ") + name + Format(" %.3g", perTick);
    if (most.size() + entry.size() > kValueWidth) break;
    most += entry;
  }
  Row("  the most frequent, a tick", most, "", "");
}

// What the command line asks for.
struct BenchOptions {
  std::size_t ticks = 1200;
  std::vector<std::string> serverOptions;  // --frame-ms and --stall, for the emulator
  std::optional<Ms> frame;                 // the emulator's frame, when it runs a game loop
  std::size_t liveTicks = 400;             // of the pass with a live source
};

// The traced pass: long enough for a steady figure, short since tracing slows everything.
constexpr std::size_t kTracedTicks = 100;
// The pass of the program's loop alone.
constexpr std::size_t kLoopFloorTicks = 200;

int Run(const BenchOptions& options) {
  const std::size_t ticks = options.ticks;
  const fs::path scratch =
      fs::temp_directory_path() / ("veltrano-bench." + std::to_string(getpid()));
  fs::create_directories(scratch);
  fs::permissions(scratch, fs::perms::owner_all);  // private: it is also Qt's runtime directory
  fs::current_path(scratch);
  struct RemoveScratch {
    fs::path path;
    ~RemoveScratch() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } removeScratch{scratch};

  // The run starts a few seconds after the emulator; the replay outlasts it comfortably.
  WriteReplay(scratch / "steps.csv", kFirstStep + double(ticks) * kPeriodMs / 1000.0 + 60.0);
  std::vector<std::string> serverArgs = {"--replay", (scratch / "steps.csv").string(), "--verbose"};
  serverArgs.insert(serverArgs.end(), options.serverOptions.begin(), options.serverOptions.end());
  ChildProcess server(SIMSERVER_PATH, serverArgs);
  if (const std::string ready = server.ReadLine(); !ready.starts_with("simserver ready")) {
    throw std::runtime_error("simserver: " + ready);
  }
  ServerLog serverLog(server);

  PacketStream program(1);
  PacketStream reference(2);
  // Offscreen, with the default settings: PITCHING on, port 1.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);
  ChildProcess sender(REFERENCE_SENDER_PATH,
                      {reference.Link().SlavePath(), std::to_string(ticks + 1)});
  ChildProcess veltrano(TIMED_VELTRANO_PATH, {std::to_string(ticks + 1), "ticks.txt"});
  const bool realTimeReader = RaiseReaderPriority();
  PacketStream* const streams[] = {&program, &reference};
  Record(streams, ticks + 1);
  const ProgramRun run =
      ReadProgramRun(veltrano.ReadLine(std::chrono::seconds(30)), scratch / "ticks.txt");
  const double floorCpuNs = ReadSenderCpuNs(sender.ReadLine(std::chrono::seconds(10)));
  if (veltrano.Wait() != 0 || sender.Wait() != 0) throw std::runtime_error("a sender failed");
  // After the run, so that a stall the emulator was asked for falls into the run.
  const LinkFindings link = ProbeLink(options.frame);
  const std::vector<Arrival> programArrivals = program.TakeArrivals();
  // The passes that follow use the program's port again, apart from the timed run.
  const SystemCallPass systemCalls = RunSystemCallPass(program, kTracedTicks);
  serverLog.Finish();
  const LiveSourcePass live = RunLiveSourcePass(program, options.liveTicks);
  const double loopFloorCpuNs = LoopFloorCpuNs(program, kLoopFloorTicks);

  const std::vector<double> referenceIntervals = IntervalsMs(reference.Arrivals());
  const std::vector<double> programIntervals = IntervalsMs(programArrivals);
  const Spread floor = SpreadOf(DeviationsMs(referenceIntervals));
  const Spread interval = SpreadOf(DeviationsMs(programIntervals));
  const auto shortest = [](const std::vector<double>& intervals) {
    return *std::min_element(intervals.begin(), intervals.end());
  };
  const double shortestReceived = shortest(programIntervals);
  const double drift = DriftMs(programArrivals);
  const Spread work = SpreadOf(run.tickWorkMs);
  const Spread timerEvents = SpreadOf(DeviationsMs(run.timerPeriodsMs));
  const Latencies latencies =
      StepLatencies(programArrivals, ReplayChanges(link.flightStart, programArrivals.back().when));
  const Spread latency = SpreadOf(latencies.ms);
  const double latencyLimit = kPeriodMs + work.p99 + floor.p99;
  const Ages ages = ValueAges(programArrivals, serverLog.PitchServed(), link.flightStart);
  const double cpuPercent = 100.0 * run.cpuNs / run.wallNs;
  const double peakMb = run.peakResidentKb / 1024.0;

  // A data server in a game loop answers at the end of the frame under way: the tick takes such
  // an answer at the next tick, so a value may be a frame and a period old, and the packet goes a
  // little after the tick's answer wait at the most.
  const bool gameLoop = options.frame.has_value();
  const double frameMs = gameLoop ? options.frame->count() : 0.0;
  const double ageLimit = gameLoop ? frameMs + kPeriodMs + 5.0 : 1.0;
  const double packetsPerSecond = PacketsPerSecond(programArrivals);
  const std::size_t dropped = DroppedSlots(run.timerPeriodsMs);
  const Spread age = SpreadOf(ages.ms);

  std::printf("%zu ticks of 50 ms; %s; reader %s\n", ticks, MachineLine().c_str(),
              realTimeReader ? "at real-time priority" : "at normal priority (not allowed more)");
  if (gameLoop) {
    std::printf("data server in a game loop, frames of %.1f ms", frameMs);
    for (const std::string& line : serverLog.FrameLines()) std::printf("; %s", line.c_str());
    std::printf("\n");
  }
  std::printf("\n");
  std::printf("| %-46s | %8s | %8s | %8s | %-34s | %-4s |\n", "figure (ms unless said)", "median",
              "p99", "max", "target", "");
  std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(48, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str(),
              std::string(36, '-').c_str(), std::string(6, '-').c_str());
  Row("reference sender: deviation from 50 ms", floor, "the floor", "");
  if (gameLoop) {
    Row("program: packet interval deviation", interval, "p99 <= 10", Verdict(interval.p99 <= 10.0));
  } else {
    Row("program: packet interval deviation", interval,
        "p99 <= 1.3 x floor = " + Format("%.3f", 1.3 * floor.p99),
        Verdict(interval.p99 <= 1.3 * floor.p99));
    Row("program: largest deviation", interval,
        "max <= floor + 5 = " + Format("%.3f", floor.max + 5.0),
        Verdict(interval.max <= floor.max + 5.0));
  }
  // What the program handed to the port beside what arrived: the kernel passes a pseudo-terminal's
  // bytes on from a worker thread, which a busy machine can delay.
  Row("program: shortest interval received",
      Format("%.1f", shortestReceived) + Format(" (sent %.1f,", shortest(run.outputGapsMs)) +
          Format(" floor %.1f)", shortest(referenceIntervals)),
      "(a figure)", "");
  Row("program: packets a second",
      Format("%.2f", packetsPerSecond) +
          Format(" (reference %.2f)", PacketsPerSecond(reference.Arrivals())),
      "20 +- 0.2", Verdict(std::abs(packetsPerSecond - 20.0) <= 0.2));
  Row("program: drift over the run",
      Format("%+.1f ms, ", drift) + Format("%.0f slots dropped", double(dropped)),
      "drift under 50 ms, none dropped", Verdict(std::abs(drift) < kPeriodMs && dropped == 0));
  Row("program: timer event deviation from 50 ms", timerEvents,
      "p99 <= floor = " + Format("%.3f", floor.p99), Verdict(timerEvents.p99 <= floor.p99));
  // In a game loop the tick waits its answer wait whenever the frame's end is later, and a value
  // that changes just after a tick's requests went is asked for at the next tick and answered late
  // at the one after: both are figures there, the age is the target.
  if (gameLoop) {
    Row("tick work: timer event to packet handed over", work,
        Format("(a figure: waits up to %.0f)", double(kTickAnswerWait.count())), "");
    Row("latency: value change to packet", latency, "(a figure in a game loop)", "");
  } else {
    Row("tick work: timer event to packet handed over", work, "p99 < 1", Verdict(work.p99 < 1.0));
    Row("latency: value change to packet", latency,
        "p99 <= 50 + work + floor = " + Format("%.3f", latencyLimit),
        Verdict(latencies.lost == 0 && latency.p99 <= latencyLimit));
  }
  Row("  steps measured, steps lost",
      Format("%.0f", double(latency.count)) + Format(", %.0f", double(latencies.lost)), "", "");
  const std::optional<StallSeen> stall = SeenStall(serverLog);
  if (stall) {
    // Through a stall the packets hold the readings from before it: their age is its length.
    Row("age: pitch served to packet", age, "(held through the stall)", "");
  } else {
    Row("age: pitch served to packet", age,
        (gameLoop ? "p99 <= frame + 50 + 5 = " : "p99 < ") + Format("%.3f", ageLimit),
        Verdict(age.count > 0 && age.p99 <= ageLimit));
  }
  Row("  packets with a served value, without",
      Format("%.0f", double(ages.ms.size())) + Format(", %.0f", double(ages.withoutValue)) +
          Format(" (%.0f after the first)", double(ages.withoutValueAfterFirst)),
      "none without after the first", Verdict(ages.withoutValueAfterFirst == 0));
  if (stall) {
    // The answers owed through the stall are those its end answered.
    const auto owed = std::count(serverLog.AnsweredInFrame().begin(),
                                 serverLog.AnsweredInFrame().end(), stall->frame);
    Row("stall: requests owed through it", Format("%.0f", double(owed)), "<= 5",
        Verdict(owed <= 5));
    const auto stallEnd = link.flightStart + std::chrono::duration_cast<BenchClock::duration>(
                                                 std::chrono::duration<double>(stall->end));
    std::optional<double> resumedMs;
    for (std::size_t i = 0; i < programArrivals.size() && !resumedMs; ++i) {
      if (ages.servedAt[i] && *ages.servedAt[i] >= stallEnd) {
        resumedMs = Ms(programArrivals[i].when - stallEnd).count();
      }
    }
    Row("stall: its end to the first value served after",
        resumedMs ? Format("%.1f", *resumedMs) : std::string("never"),
        "<= frame + 50 = " + Format("%.1f", frameMs + kPeriodMs),
        Verdict(resumedMs && *resumedMs <= frameMs + kPeriodMs));
  }
  Row("emulator: atoms left as it stopped", serverLog.AtomsLine(), "0 atoms left",
      Verdict(serverLog.AtomsLine().ends_with(": 0 atoms left")));
  const double ticksRun = double(ticks + 1);
  const double loopFloorPercent =
      100.0 * loopFloorCpuNs / (double(kLoopFloorTicks) * kPeriodMs * 1e6);
  Row("cost: CPU of the program, % of one core",
      Format("%.3f %%", cpuPercent) + Format(" (%.0f us a tick)", run.cpuNs / ticksRun / 1e3),
      "< 0.35 %, <= 1.3 x loop = " + Format("%.3f", 1.3 * loopFloorPercent),
      Verdict(cpuPercent < 0.35 && cpuPercent <= 1.3 * loopFloorPercent));
  Row("  of the reference sender",
      Format("%.3f %%", 100.0 * floorCpuNs / (ticksRun * kPeriodMs * 1e6)) +
          Format(" (%.0f us a tick)", floorCpuNs / ticksRun / 1e3),
      "(the floor: waking, writing)", "");
  Row("  of the same on the program's timer",
      Format("%.3f %%", loopFloorPercent) +
          Format(" (%.0f us a tick)", loopFloorCpuNs / double(kLoopFloorTicks) / 1e3),
      Format("(Qt loop; %.0f ticks after)", double(kLoopFloorTicks)), "");
  Row("cost: peak resident memory", Format("%.1f MB", peakMb), "< 40 MB", Verdict(peakMb < 40.0));
  Row("link: one request round trip", SpreadOf(link.roundTripsMs), "(a figure)", "");
  SystemCallRows(systemCalls);
  const Spread liveDelay = SpreadOf(live.latencies.ms);
  Row("live source: datagram to packet", liveDelay, "p99 <= 100",
      Verdict(live.latencies.lost == 0 && liveDelay.count > 0 && liveDelay.p99 <= 100.0));
  Row("  steps measured, lost; datagrams a second",
      Format("%.0f", double(liveDelay.count)) + Format(", %.0f", double(live.latencies.lost)) +
          Format("; %.1f", live.datagramsPerSecond),
      Format("(%.0f ticks", double(options.liveTicks)) +
          Format("; %.0f asked for)", double(simserver::XPlaneProtocol::kRate)),
      "");
  return 0;
}

}  // namespace
}  // namespace veltrano::bench

int main(int argc, char** argv) {
  veltrano::bench::BenchOptions options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  bool usable = args.size() % 2 == 0;
  for (std::size_t i = 0; usable && i < args.size(); i += 2) {
    const std::string& value = args[i + 1];
    if (args[i] == "--ticks" && std::atol(value.c_str()) >= 10) {
      options.ticks = static_cast<std::size_t>(std::atol(value.c_str()));
    } else if (args[i] == "--frame-ms" || args[i] == "--stall") {
      // The emulator checks them; the probe of its clock needs the frame's length.
      options.serverOptions.insert(options.serverOptions.end(), {args[i], value});
      if (args[i] == "--frame-ms") {
        options.frame = veltrano::bench::Ms(std::strtod(value.c_str(), nullptr));
      } else if (!options.frame) {
        options.frame = veltrano::bench::Ms(30.0);  // the emulator's frame with a stall alone
      }
    } else {
      usable = false;
    }
  }
  // A third of the run, enough steps for a p99 and no more than 20 seconds.
  options.liveTicks = std::clamp<std::size_t>(options.ticks / 3, 100, 400);
  if (!usable) {
    std::fputs(
        "usage: platform-bench [--ticks N] [--frame-ms N] [--stall S@AT]\n"
        "  N ticks >= 10, default 1200; --frame-ms and --stall run the data server in a game "
        "loop\n",
        stderr);
    return 2;
  }
  try {
    return veltrano::bench::Run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "platform-bench: %s\n", error.what());
    return 1;
  }
}
