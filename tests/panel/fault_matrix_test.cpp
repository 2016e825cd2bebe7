// Whole runs with real parts: the data-server emulator and the virtual platform as separate
// processes, the platform's serial line a real pseudo-terminal, the real window offscreen. Then
// the fault matrix: each row brings one fault into such a run and checks what must follow; every
// row ends with the server (when one is left running) reporting no atom left behind, and never
// more than one box standing open at once.

#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QComboBox>
#include <QSocketNotifier>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "child_process/child_process.h"
#include "panel/settings_file.h"
#include "panel_support.h"

namespace veltrano::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSteadyFlight = {"--set",
                                                "pitch=0,bank=30,slip=500,rpm=0,speed=120"};
const std::string kDefaults = "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n";
const std::string kPreviousFile = "1\r\n1\r\n0\r\n0\r\n1\r\n 4 \r\n 27 \r\n 28 \r\n 2 \r\n 4 \r\n";

// What the process holds: open descriptors, resident memory or its peak (kB).
long StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}
// Qt paints on the threads of its global pool, each with an event descriptor of its own, and a
// thread left idle for 30 s ends: a count taken while painting threads live would drop when they
// expire. Ending the idle ones first leaves the descriptors that the program itself holds.
long OpenDescriptors() {
  QThreadPool::globalInstance()->waitForDone();
  return std::distance(fs::directory_iterator("/proc/self/fd"), {});
}
struct Held {
  long descriptors = OpenDescriptors();
  long residentKb = StatusKilobytes("VmRSS");
};
constexpr long kMemoryGrowthBoundKb = 1024;

class WholeRun : public ::testing::Test {
 public:
  void StartServer(const std::vector<std::string>& options) {
    server_ = std::make_unique<ChildProcess>(SIMSERVER_PATH, options);
    ASSERT_NE(server_->ReadLine().find("ready"), std::string::npos);
  }

  void StartPlatform() {
    platform_ = std::make_unique<ChildProcess>(VIRTUAL_PLATFORM_PATH,
                                               std::vector<std::string>{"--port", "1", "--print"},
                                               directory_.path().string());
    ASSERT_NE(platform_->ReadLine().find("ready"), std::string::npos);
  }

  // The window waits long for answers, so that a busy machine does not make a healthy server
  // look late, unless a row needs the program's own wait.
  void OpenTheWindow(std::chrono::milliseconds answerWait = std::chrono::seconds(5)) {
    window_ = std::make_unique<OpenWindow>(answerWait);
    boxes_ = std::make_unique<BoxWatcher>();
  }

  void Press(const char* button) {
    QTest::mouseClick(window_->Widget<QAbstractButton>(button), Qt::LeftButton);
  }

  const std::vector<std::string>& Packets() {
    while (auto line = platform_->PollLine()) packets_.push_back(*line);
    return packets_;
  }

  // Waits (generously, for a loaded machine) for `count` more packets; the last one must be
  // `last` when given.
  bool MorePackets(std::size_t count, const std::string& last = "") {
    const std::size_t until = Packets().size() + count;
    return QTest::qWaitFor(
        [&] {
          return Packets().size() >= until && (last.empty() || Packets().back().starts_with(last));
        },
        20000);
  }

  bool Running() {
    bool locked = !window_->Widget<QWidget>("Command1")->isEnabled() &&
                  window_->Widget<QWidget>("Command2")->isEnabled();
    for (const char* name : kSettingsControls)
      locked &= !window_->Widget<QWidget>(name)->isEnabled();
    EXPECT_EQ(locked, window_->form().controls().timer1.Enabled()) << "half locked";
    return locked;
  }

  // Waits until `count` boxes have been shown and closed.
  bool BoxesClosed(std::size_t count) {
    return QTest::qWaitFor([&] { return boxes_->seen().size() >= count && !boxes_->open(); },
                           20000);
  }

  ScratchDirectory directory_;
  std::unique_ptr<ChildProcess> server_;
  std::unique_ptr<ChildProcess> platform_;
  std::vector<std::string> packets_;
  std::unique_ptr<OpenWindow> window_;
  std::unique_ptr<BoxWatcher> boxes_;
};

// START fails with "no port": one box, no run, the settings file as it was.
void ExpectNoPort(WholeRun& run, const std::optional<std::string>& fileBefore) {
  run.Press("Command1");
  ASSERT_TRUE(run.BoxesClosed(1));
  ASSERT_EQ(run.boxes_->seen().size(), 1u);
  const BoxWatcher::Seen& box = run.boxes_->seen()[0];
  EXPECT_EQ(std::tie(box.text, box.title, box.icon),
            std::tuple("no port", "VELTRANO", QMessageBox::NoIcon));
  EXPECT_FALSE(run.Running());
  EXPECT_EQ(fs::exists(kSettingsFileName), fileBefore.has_value());
  if (fileBefore && fs::is_regular_file(kSettingsFileName)) {
    EXPECT_EQ(ReadFile(kSettingsFileName), *fileBefore);
  }
  EXPECT_TRUE(run.Packets().empty());
}

void ExpectStartWorks(WholeRun& run, const std::string& packet = "") {
  run.Press("Command1");
  EXPECT_TRUE(run.Running());
  EXPECT_TRUE(run.MorePackets(2, packet));
  run.Press("Command2");
  const std::string saved = ReadFile(kSettingsFileName);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 10) << saved;
}

// With ACCELERATION, flying steadily: a server that goes, hangs or comes back moves nothing, and
// the roll byte tells whether it answers: bank 30 gives 55, no server 7F (all readings 0.0), the
// ticks going on meanwhile.
void StartSteadyAcceleration(WholeRun& run, std::chrono::milliseconds answerWait) {
  run.OpenTheWindow(answerWait);
  run.Press("Check3");
  run.window_->state().lastSpeed = 120;  // whatever the time of day
  run.Press("Command1");
  ASSERT_TRUE(run.MorePackets(3, "58 80 55"));
}

void ServerKilledAndRestarted(WholeRun& run, const std::string&) {
  StartSteadyAcceleration(run, std::chrono::seconds(5));
  const Held before;
  run.server_->Stop(SIGKILL);
  ASSERT_TRUE(run.MorePackets(1, "58 80 7F 00") && run.MorePackets(40, "58 80 7F 00"));
  run.StartServer(kSteadyFlight);
  ASSERT_TRUE(run.MorePackets(1, "58 80 55"));        // found again within the same run
  EXPECT_EQ(Held().descriptors, before.descriptors);  // the lost connection closed
  EXPECT_TRUE(run.boxes_->seen().empty());
  run.Press("Command2");
  for (const std::string& packet : run.Packets()) EXPECT_EQ(packet.substr(3, 2), "80") << packet;
}

// Whether the process has stopped on a signal, as /proc tells.
bool Stopped(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), {});
  return line.size() > line.rfind(')') + 2 && line[line.rfind(')') + 2] == 'T';
}

// The messages a verbose server has logged among `lines`.
std::size_t MessagesLogged(const std::string& lines) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = lines.find("message ", at)) != std::string::npos; ++at) ++count;
  return count;
}

// A server that stops answering yet keeps its endpoint: the first request runs into the wait and
// then the run goes on holding the readings, sending the server nothing more until it has caught
// up, so that it is not buried in requests when it wakes.
void ServerHangs(WholeRun& run, const std::string&) {
  StartSteadyAcceleration(run, kTickAnswerWait);  // as the program waits
  kill(run.server_->Id(), SIGSTOP);
  // Woken however the row ends, so that it can be stopped.
  struct WakeOnExit {
    pid_t pid;
    ~WakeOnExit() { kill(pid, SIGCONT); }
  } wake{run.server_->Id()};
  ASSERT_TRUE(QTest::qWaitFor([&] { return Stopped(run.server_->Id()); }, 20000));
  while (run.server_->PollLine()) {
  }  // what it logged before
  const std::size_t before = run.Packets().size();
  const auto hangStart = std::chrono::steady_clock::now();
  ASSERT_TRUE(run.MorePackets(40, "58 80 55"));
  const std::chrono::duration<double> hang = std::chrono::steady_clock::now() - hangStart;
  std::printf("packets while the server hangs: %.1f a second\n",
              static_cast<double>(run.Packets().size() - before) / hang.count());
  run.Press("Command2");
  EXPECT_FALSE(run.Running());  // at once, though the server still hangs
  kill(run.server_->Id(), SIGCONT);
  QTest::qWait(100);  // what was already on the line
  const std::size_t atStop = run.Packets().size();
  QTest::qWait(400);
  EXPECT_EQ(run.Packets().size(), atStop) << "ticks after STOP";
  // It woke to at most the five messages of the tick that it owed answers for.
  std::string loggedOnWaking;
  while (auto line = run.server_->PollLine()) loggedOnWaking += *line + "\n";
  EXPECT_LE(MessagesLogged(loggedOnWaking), 5u) << loggedOnWaking;
  run.Press("Command1");  // caught up: the server's values again
  ASSERT_TRUE(run.MorePackets(3, "58 80 55"));
  run.Press("Command2");
  EXPECT_TRUE(run.boxes_->seen().empty());
  // A first answer may come after the first tick stopped waiting; from the first served value on,
  // every packet carries it.
  const auto first = std::ranges::find_if(
      run.Packets(), [](const std::string& packet) { return packet.starts_with("58 80 55"); });
  for (auto packet = first; packet != run.Packets().end(); ++packet)
    EXPECT_EQ(packet->substr(0, 8), "58 80 55") << *packet;
}

// A bad answer shows its reader's box once per tick, one at a time, and the run goes on after
// each. While the box stands open the tick waits in it: nothing goes out.
void BadAnswerBox(WholeRun& run, const std::string& text) {
  run.OpenTheWindow();
  std::vector<std::size_t> packetsAtClose;
  run.boxes_ = std::make_unique<BoxWatcher>(
      /*holdMs=*/300, [&] { packetsAtClose.push_back(run.Packets().size()); });
  run.Press("Command1");
  ASSERT_TRUE(run.BoxesClosed(3));
  ASSERT_TRUE(run.MorePackets(2));
  run.Press("Command2");
  EXPECT_EQ(packetsAtClose.at(0), 0u);
  EXPECT_EQ(run.boxes_->mostOpenAtOnce(), 1);
  const BoxWatcher::Seen& box = run.boxes_->seen().front();  // the two CRs as line breaks
  EXPECT_EQ(std::tie(box.title, box.icon), std::tuple("VELTRANO", QMessageBox::Critical));
  EXPECT_TRUE(box.text.starts_with(text)) << box.text;
}

// The failed roll reader leaves its field as it was, so the cue is computed from what it held:
// 0 at the first tick (cue 7F), then the previous cue taken as a bank of 127 degrees (34).
void OutOfRangeAnswer(WholeRun& run, const std::string& text) {
  BadAnswerBox(run, text);
  ASSERT_GE(run.Packets().size(), 2u);
  EXPECT_TRUE(run.Packets()[0].starts_with("58 80 7F"));
  EXPECT_TRUE(run.Packets()[1].starts_with("58 80 34"));
}

// Answers that decode to a value without an error: no box, and the value is used.
void QuietAnswer(WholeRun& run, const std::string& text) {
  run.OpenTheWindow();
  run.Press("Command1");
  ASSERT_TRUE(run.MorePackets(10, text));
  run.Press("Command2");
  EXPECT_TRUE(run.boxes_->seen().empty());
}

void DeviceGone(WholeRun& run, const std::string&) {
  run.OpenTheWindow();
  run.Press("Command1");
  ASSERT_TRUE(run.MorePackets(2));
  run.platform_->Stop(SIGKILL);  // the device disappears under the open port
  ASSERT_TRUE(run.BoxesClosed(1));
  const std::clock_t cpuBefore = std::clock();  // the process's CPU time, all its threads
  QTest::qWait(1000);
  const double cpuUsed = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
  std::printf("CPU over the second after \"no port\": %.3f s\n", cpuUsed);
  EXPECT_LT(cpuUsed, 0.25) << "the process spins";
  ASSERT_EQ(run.boxes_->seen().size(), 1u);
  EXPECT_EQ(run.boxes_->seen()[0].text, "no port");
  EXPECT_FALSE(run.Running());
  // The device is back, as a new terminal: the old link may lead to a number that another
  // program's terminal has taken meanwhile.
  fs::remove("COM1");
  run.StartPlatform();
  ExpectStartWorks(run);
}

// Port texts that name no port that opens; the port box's number is kept only when it converts.
void BadPortText(WholeRun& run, const std::string& text) {
  WriteFile(kSettingsFileName, kPreviousFile);
  fs::create_symlink("/nonexistent/ttyUSB9", "COM9");
  run.OpenTheWindow();
  run.window_->Widget<QComboBox>("Combo1")->setEditText(QString::fromStdString(text));
  ExpectNoPort(run, kPreviousFile);
  EXPECT_EQ(std::to_string(run.window_->state().comPort), text == "9" || text == "0" ? text : "4");
  EXPECT_EQ(run.window_->state().pitchCenter, 27);
}

// A folder of its own, in a mount namespace of this thread, where this row may mount a small
// file system; the window then works there, its ports 1 and 4 linked to the platform's.
class OwnMount {
 public:
  explicit OwnMount(const std::string& options) : path_(fs::current_path() / "mounted") {
    fs::create_directory(path_);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      return;
    }
    mounted_ = true;
    for (const char* port : {"COM1", "COM4"})
      fs::create_symlink(fs::current_path() / "COM1", path_ / port);
    fs::current_path(path_);
  }
  ~OwnMount() {
    fs::current_path(path_.parent_path());
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  bool SetReadOnly(bool readOnly) {
    return mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0),
                 nullptr) == 0;
  }

 private:
  fs::path path_;
  bool mounted_ = false;
};

void SettingsFileIsAFolder(WholeRun& run, const std::string&) {
  fs::create_directories("SETUPSIM.CAP/taken");
  run.OpenTheWindow();
  ExpectNoPort(run, "");
  EXPECT_TRUE(fs::is_directory("SETUPSIM.CAP/taken"));
}

// As root only a read-only mount keeps a file from being written.
void ReadOnlyFolder(WholeRun& run, const std::string& text) {
  OwnMount folder("size=64k");
  if (!folder.mounted()) GTEST_SKIP() << "no mount namespace here: " << std::strerror(errno);
  if (!text.empty()) WriteFile(kSettingsFileName, text);
  if (!folder.SetReadOnly(true)) GTEST_SKIP() << "no read-only mount: " << std::strerror(errno);
  run.OpenTheWindow();
  ExpectNoPort(run, text.empty() ? std::nullopt : std::optional(text));
  ASSERT_TRUE(folder.SetReadOnly(false));
  ExpectStartWorks(run);  // so it was the file that failed, not the port
}

// A file system of one page, taken by the previous file.
void DiskFull(WholeRun& run, const std::string&) {
  OwnMount folder("size=4k");
  if (!folder.mounted()) GTEST_SKIP() << "no mount namespace here: " << std::strerror(errno);
  WriteFile(kSettingsFileName, kPreviousFile);
  run.OpenTheWindow();
  ExpectNoPort(run, kPreviousFile);
  EXPECT_FALSE(fs::exists("SETUPSIM.CAP.new"));
  fs::resize_file(kSettingsFileName, 0);  // room again
  ExpectStartWorks(run);
}

// Whatever the file holds, the window opens with the defaults, and START runs and saves them.
void GarbageSettings(WholeRun& run, const std::string& text) {
  std::string garbage = text == "10 MB" ? std::string(10 << 20, '7') : std::string(4096, '\0');
  std::mt19937 random(8);
  if (text == "random") std::ranges::generate(garbage, [&] { return static_cast<char>(random()); });
  if (text == "40 digits") garbage = " " + std::string(40, '9') + " \r\n";
  WriteFile(kSettingsFileName, garbage);
  run.OpenTheWindow();
  ExpectStartWorks(run, "58 80 55 00 80 80 03 03");
  EXPECT_EQ(ReadFile(kSettingsFileName), kDefaults);
}

void ExpectNoGrowth(const char* what, const Held& before, const Held& after = {}) {
  std::printf("%s: descriptors %ld -> %ld, VmRSS %ld -> %ld kB, VmHWM %ld kB\n", what,
              before.descriptors, after.descriptors, before.residentKb, after.residentKb,
              StatusKilobytes("VmHWM"));
  EXPECT_EQ(after.descriptors, before.descriptors);
  // Memory under the address sanitizer grows with its quarantine, not with leaks; its leak
  // checker covers that build.
#ifndef __SANITIZE_ADDRESS__
  EXPECT_LT(after.residentKb - before.residentKb, kMemoryGrowthBoundKb);
#endif
}

void StartStopTwoHundredTimes(WholeRun& run, const std::string&) {
  run.OpenTheWindow();
  const auto cycle = [&] {
    run.Press("Command1");
    ASSERT_TRUE(run.Running());
    QTest::qWait(1);
    run.Press("Command2");
    ASSERT_FALSE(run.Running());
  };
  // A first tick connects the link to the server; that connection is kept for the next runs.
  run.Press("Command1");
  ASSERT_TRUE(run.MorePackets(1));
  run.Press("Command2");
  for (int warmUp = 0; warmUp < 20; ++warmUp) cycle();
  const Held before;
  for (int press = 0; press < 200; ++press) cycle();
  ExpectNoGrowth("200 START/STOP", before);
  EXPECT_TRUE(run.boxes_->seen().empty());
  // Each START takes the settings afresh: SLIP instead of ROLLING, the pitch centre moved up.
  run.Press("Check4");
  run.window_->form().controls().vScroll1.SetValue(200);
  run.Press("Command1");
  EXPECT_TRUE(run.MorePackets(2, "58 80 78 00 C8 80 03 03"));  // slip 500: 120
  EXPECT_EQ(ReadFile(kSettingsFileName),
            "1\r\n0\r\n0\r\n1\r\n1\r\n 1 \r\n 55 \r\n 128 \r\n 3 \r\n 3 \r\n");
  run.Press("Command2");
}

// Ticks brought by the window's own timer as fast as they run, each through the real link and
// the real port: its alarm is set to a deadline already passed, and the event loop is run once it
// has expired (the kernel's timer interrupt comes just after). The packets are counted, not kept,
// so that only the program's memory shows.
void ThousandsOfTicks(WholeRun& run, const std::string&) {
  run.OpenTheWindow();
  run.Press("Command1");
  const int alarm = run.window_->Widget<QSocketNotifier>("Timer1")->socket();
  const auto expire = [alarm] {
    const itimerspec passed{.it_interval = {}, .it_value = {.tv_sec = 0, .tv_nsec = 1}};
    pollfd expired{.fd = alarm, .events = POLLIN, .revents = 0};
    return timerfd_settime(alarm, TFD_TIMER_ABSTIME, &passed, nullptr) == 0 &&
           poll(&expired, 1, 5000) == 1;
  };
  std::size_t arrived = 0;
  std::string last;
  const auto drained = [&](std::size_t until) {
    for (; auto line = run.platform_->PollLine(); ++arrived) last = *line;
    return arrived >= until;
  };
  const auto ticks = [&](std::size_t count) {
    const std::size_t until = arrived + count;
    for (std::size_t tick = 0; tick < count; ++tick, drained(until)) {
      if (!expire()) return false;
      QCoreApplication::processEvents();
    }
    return QTest::qWaitFor([&] { return drained(until); }, 60000);
  };
  ASSERT_TRUE(ticks(500));
  const Held before;
  ASSERT_TRUE(ticks(20000));
  ExpectNoGrowth("20000 ticks", before);
  EXPECT_TRUE(last.starts_with("58 80 55")) << last;
  run.Press("Command2");
  EXPECT_TRUE(run.boxes_->seen().empty());
}

struct Row {
  const char* name;
  std::vector<std::string> server;  // the emulator's options; none: no server
  void (*fault)(WholeRun&, const std::string& text);
  std::string text = "";  // what the row feeds in or expects, as its fault reads it
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row kRows[] = {
    {"ServerKilledReadsZeroThenComesBack", kSteadyFlight, ServerKilledAndRestarted},
    {"ServerHangs",
     {"--set", "pitch=0,bank=30,slip=500,rpm=0,speed=120", "--verbose"},
     ServerHangs},
    {"AnswerOutOfRange",
     {"--set", "bank=0", "--answer-code", "79=40000"},
     OutOfRangeAnswer,
     "Errore in routine ROLLIO!\n\nOverflow"},
    {"NonHexText", {"--bad-hex", "135"}, BadAnswerBox, "Errore in routine RPM!\n\n"},
    {"OddLengthText", {"--set", "pitch=10,bank=30", "--odd-text", "77"}, QuietAnswer, "58 71 55"},
    {"UnreadableAtomReadsZero",
     {"--set", "bank=30", "--unreadable-atom", "79"},
     QuietAnswer,
     "58 80 7F"},
    {"DeviceGone", kSteadyFlight, DeviceGone},
    {"SettingsFileIsAFolder", {}, SettingsFileIsAFolder},
    {"ReadOnlyFolderWithoutFile", {}, ReadOnlyFolder},
    {"ReadOnlyFolderWithFile", {}, ReadOnlyFolder, kPreviousFile},
    {"DiskFull", {}, DiskFull},
    {"RandomBytesSettings", kSteadyFlight, GarbageSettings, "random"},
    {"TenMegabyteSettings", kSteadyFlight, GarbageSettings, "10 MB"},
    {"NulByteSettings", kSteadyFlight, GarbageSettings, "NUL"},
    {"FortyDigitSettings", kSteadyFlight, GarbageSettings, "40 digits"},
    {"PortMissingDevice", {}, BadPortText, "9"},
    {"PortEmpty", {}, BadPortText, ""},
    {"PortLetters", {}, BadPortText, "COM3"},
    {"PortFraction", {}, BadPortText, "2.5"},
    {"PortTooLarge", {}, BadPortText, "40000"},
    {"PortZero", {}, BadPortText, "0"},
    {"PortFortyDigits", {}, BadPortText, std::string(40, '9')},
    {"PortControlBytes", {}, BadPortText, std::string("\x01\x7f\xff 1", 5)},
    {"StartStopTwoHundredTimes", kSteadyFlight, StartStopTwoHundredTimes},
    {"ThousandsOfTicks", kSteadyFlight, ThousandsOfTicks},
};

class FaultRun : public WholeRun, public ::testing::WithParamInterface<Row> {};

TEST_P(FaultRun, EndsAsItMust) {
  const Row& row = GetParam();
  if (!row.server.empty()) StartServer(row.server);
  StartPlatform();
  row.fault(*this, row.text);
  if (boxes_) {
    EXPECT_LE(boxes_->mostOpenAtOnce(), 1);
  }
  if (server_ && server_->Running()) {
    EXPECT_EQ(server_->Stop(SIGTERM), 0);
    const std::string rest = server_->ReadRest();
    EXPECT_NE(rest.find("simserver stopped: 0 atoms left"), std::string::npos) << rest;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultRun, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrano::testing
