// What the mailbox check makes of text it did not write: the server field of
// the account and the POP3 server's replies. Both are untrusted; nothing here
// takes a length from them or reads past what arrived.
#pragma once

#include <cstddef>
#include <string>

// A reply is judged on its first 1024 bytes; the rest of a longer line is
// read and dropped so that it cannot pass for the next reply.
inline constexpr std::size_t ReplyKeep = 1024;
// A line that runs on past this many bytes is no POP3 reply: the check ends.
inline constexpr std::size_t ReplyLimit = 64 * 1024;

// Security of the POP3 session (per-user "Email" "Security").
enum MailSecurity {
  SecurityPlain = 0,              // the plain dialogue, password in the clear
  SecurityStartTlsIfOffered = 1,  // STLS after the greeting; plain when refused
  SecurityStartTlsRequired = 2,   // STLS after the greeting; refused ends the check
  SecurityImplicitTls = 3,        // TLS from the first byte (POP3S)
};

// Cuts the byte stream from the server into reply lines.
class ReplyReader {
 public:
  ReplyReader();

  // Takes received bytes. Feed only while TakeLine finds no line, so that
  // what is kept stays below ReplyKeep plus one feed.
  void Feed(const char* data, std::size_t size);
  // Moves the next complete line (without its line end, at most ReplyKeep
  // bytes) into `line`; false while none is complete.
  bool TakeLine(std::string& line);
  // The line under way has passed ReplyLimit without ending.
  bool Overlong() const { return !complete_ && lineLength_ > ReplyLimit; }
  // Drops everything received and not yet taken.
  void Clear();
  // Bytes received after the last line taken.
  std::size_t Buffered() const { return pending_.size(); }

 private:
  // Bytes after the last line taken; of a line longer than ReplyKeep only
  // its first ReplyKeep bytes stay here.
  std::string pending_;
  // Length of the first line under way, dropped bytes included.
  std::size_t lineLength_;
  // pending_ holds a whole line.
  bool complete_;
};

// A reply is a success when its first character is '+'.
bool ReplyAccepted(const std::string& line);

// The message count of a STAT reply: the decimal number from the fifth
// character on ("+OK 3 1234" gives 3), leading blanks skipped, reading to the
// first non-digit. False when there is no such number, or it is negative or
// beyond an int.
bool StatCount(const std::string& line, int* count);

// The server field of the account: "host", "host:port", "[v6]:port", or a bare
// IPv6 address. Blanks around it are dropped.
struct ServerAddress {
  std::string host;
  unsigned short port = 0;
  // Given as an address (dotted IPv4 or IPv6): no name lookup.
  bool byAddress = false;
};
// False for an empty host, an unclosed '[', colons in what is no IPv6 address
// or a port that is not 1..65535.
// Without a port: 995 for implicit TLS, else 110.
bool ParseServer(const char* text, int security, ServerAddress* out);
