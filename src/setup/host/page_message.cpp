#include "setup/host/page_message.h"

#include <nlohmann/json.hpp>

namespace {

std::optional<PageCommand> command_named(const std::string& name) {
  struct Entry {
    const char* name;
    PageCommand command;
  };
  static constexpr Entry kCommands[] = {
      {"drag", PageCommand::Drag},     {"min", PageCommand::Min},         {"close", PageCommand::Close},
      {"browse", PageCommand::Browse}, {"install", PageCommand::Install}, {"launch", PageCommand::Launch},
  };
  for (const Entry& e : kCommands)
    if (name == e.name) return e.command;
  return std::nullopt;
}

// Only a JSON false turns a flag off; a missing field, a string "false" or a number leave it on.
bool flag(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  return !(it != object.end() && it->is_boolean() && !it->get<bool>());
}

}  // namespace

std::optional<PageMessage> read_page_message(std::string_view text) {
  // nlohmann skips a leading UTF-8 byte order mark, which is not part of a JSON text, and stops
  // reading at a NUL byte, which can appear in no JSON text (not even inside a string).
  if (text.substr(0, 3) == "\xEF\xBB\xBF" || text.find('\0') != std::string_view::npos) return std::nullopt;
  // Strict parse: one value, then only JSON white space (space, tab, LF, CR) up to the end.
  const nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false,
                                                     /*ignore_comments=*/false);
  if (!value.is_object()) return std::nullopt;  // also the "discarded" value of a failed parse
  const auto cmd = value.find("cmd");
  if (cmd == value.end() || !cmd->is_string()) return std::nullopt;
  const auto command = command_named(cmd->get_ref<const std::string&>());
  if (!command) return std::nullopt;

  PageMessage message;
  message.command = *command;
  const auto dir = value.find("dir");
  if (dir != value.end() && dir->is_string()) message.dir = dir->get<std::string>();
  message.desktop = flag(value, "desktop");
  message.start = flag(value, "start");
  return message;
}
