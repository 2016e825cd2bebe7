#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <string>
#include <vector>

// What the tools' command lines have in common, on CLI11.
namespace veltrano::command_line {

// The help's description, footer and width of the options' column; an option given twice takes
// its last value, as a later word on a command line overrides an earlier one.
inline void Describe(CLI::App& app, const char* description, const char* footer,
                     std::size_t optionsColumn) {
  app.description(description);
  app.footer(footer);
  app.get_formatter()->column_width(optionsColumn);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

// Parses `args`, the command line without the program name; true when it asks for the help.
// A command line that CLI11 refuses raises `UsageError` with CLI11's message.
template <class UsageError>
bool ParseAskingForHelp(CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return true;
  } catch (const CLI::ParseError& error) {
    throw UsageError(error.what());
  }
  return false;
}

}  // namespace veltrano::command_line
