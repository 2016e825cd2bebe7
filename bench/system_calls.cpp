#include "system_calls.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "protocol/platform_packet.h"

namespace veltrano::bench {
namespace {

// One line of the log: "PID  name(args...) = result", or "PID  name(args... <unfinished ...>"
// for a call that another thread interrupted in the log. Resumptions ("<... name resumed>"),
// signals ("--- SIG...") and exits ("+++ ...") are no new calls.
struct Call {
  std::string name;
  std::string_view text;  // from the name on
};

std::optional<Call> ReadCall(std::string_view line) {
  const auto start = line.find_first_not_of("0123456789 ");
  if (start == std::string_view::npos) return std::nullopt;
  const std::string_view text = line.substr(start);
  const auto open = text.find('(');
  if (open == 0 || open == std::string_view::npos) return std::nullopt;
  const std::string_view name = text.substr(0, open);
  if (name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string_view::npos) {
    return std::nullopt;
  }
  return Call{std::string(name), text};
}

// "connect(5<socket:[123]>, {sa_family=AF_UNIX, ..." gives "5<socket:[123]>" for a connection
// to the data server.
std::optional<std::string> ServerSocket(const Call& call, const std::string& serverName) {
  if (call.name != "connect" || call.text.find("AF_UNIX") == std::string_view::npos ||
      call.text.find(serverName) == std::string_view::npos) {
    return std::nullopt;
  }
  const auto open = call.text.find('(');
  return std::string(call.text.substr(open + 1, call.text.find(',') - open - 1));
}

}  // namespace

SystemCalls CountSystemCalls(const std::filesystem::path& log, const std::string& packetDevice,
                             const std::string& serverName) {
  std::ifstream in(log);
  const std::string packetWrite = "<" + packetDevice + ">, ";
  const std::string packetSize = ", " + std::to_string(kPlatformPacketSize);
  std::vector<std::string> lines;
  std::vector<std::size_t> writes;  // indices of the packet writes in `lines`
  for (std::string line; std::getline(in, line);) {
    const auto call = ReadCall(line);
    if (!call) continue;
    if (call->name == "write" && call->text.find(packetWrite) != std::string_view::npos &&
        (call->text.find(packetSize + ")") != std::string_view::npos ||
         call->text.find(packetSize + " <unfinished") != std::string_view::npos)) {
      writes.push_back(lines.size());
    }
    lines.push_back(std::move(line));
  }
  if (writes.size() < 2) throw std::runtime_error("fewer than two packets in " + log.string());

  std::set<std::string> serverSockets;  // connected before or during the ticks
  std::map<std::string, std::size_t> counts;
  std::size_t all = 0;
  std::size_t link = 0;
  for (std::size_t i = 0; i <= writes.back(); ++i) {
    const auto call = ReadCall(lines[i]);
    if (const auto socket = ServerSocket(*call, serverName)) serverSockets.insert(*socket);
    if (i <= writes.front()) continue;
    ++all;
    ++counts[call->name];
    if (std::any_of(serverSockets.begin(), serverSockets.end(), [&](const std::string& socket) {
          return call->text.find(socket) != std::string_view::npos;
        })) {
      ++link;
    }
  }
  SystemCalls found;
  found.ticks = writes.size() - 1;
  const double ticks = double(found.ticks);
  found.perTick = double(all) / ticks;
  found.linkPerTick = double(link) / ticks;
  for (const auto& [name, count] : counts) found.byName.emplace_back(name, double(count) / ticks);
  std::stable_sort(found.byName.begin(), found.byName.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return found;
}

}  // namespace veltrano::bench
