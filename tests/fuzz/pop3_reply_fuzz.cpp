// Any bytes as a POP3 server's stream, cut into segments of a size the input
// picks: lines stay within their limits, a judged reply never reads past what
// arrived, a STAT count is never negative; and the same bytes as the account's
// server field give a host and a port or a refusal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "mail/pop3_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t step = 1 + data[0] % 97;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;

  ReplyReader reader;
  std::string line;
  for (std::size_t at = 0; at < length; at += step) {
    const std::size_t piece = length - at < step ? length - at : step;
    reader.Feed(bytes + at, piece);
    while (reader.TakeLine(line)) {
      if (line.size() > ReplyKeep) __builtin_trap();
      if (ReplyAccepted(line) != (!line.empty() && line[0] == '+')) __builtin_trap();
      int count = -1;
      if (StatCount(line, &count) && count < 0) __builtin_trap();
    }
    // Once every whole line is taken, what waits is part of one line.
    if (reader.Buffered() > ReplyKeep) __builtin_trap();
  }

  const std::string text(bytes, length);
  ServerAddress server;
  if (ParseServer(text.c_str(), data[0] % 4, &server)) {
    if (server.host.empty() || server.port == 0) __builtin_trap();
    if (server.host.find(':') != std::string::npos && !server.byAddress) __builtin_trap();
  }
  return 0;
}
